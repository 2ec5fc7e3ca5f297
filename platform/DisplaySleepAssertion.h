#pragma once

#include <QString>

class QGuiApplication;

// Keeps the display awake while the application runs. There is no power
// manager to ask on Linux, so the assertion only records that it is held;
// the calling code creates and releases it exactly as on the studio's Macs.
namespace DisplaySleepAssertion {

using AssertionId = quint32;

// Takes an assertion of the given type and name; returns its id (never 0).
AssertionId create(const QString &type, const QString &name);

// Releases the assertion; unknown ids are ignored.
void release(AssertionId id);

// True while any assertion is held.
bool isHeld();

// Takes the application's assertion and releases it when the last window closes.
AssertionId holdUntilLastWindowClosed(QGuiApplication &app);

// Type and name of the assertion held last (empty when none).
QString heldType();
QString heldName();

} // namespace DisplaySleepAssertion
