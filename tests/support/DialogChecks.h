#pragma once

#include <QApplication>
#include <QDialog>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

// The dialogs on screen that stay on top, besides box and those it was opened
// over: a box opened while one of them is still up is hidden under it. (A box
// opened over another box comes on top of it.)
inline QStringList dialogsOnScreen(const QWidget *box)
{
    QList<const QWidget *> overs;
    for (const QWidget *w = box; w; w = w->parentWidget())
        overs << w;
    QStringList names;
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && qobject_cast<QDialog *>(window)
            && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !overs.contains(window))
            names << QString::fromLatin1(window->metaObject()->className());
    }
    return names;
}

// Of the boxes a test saw (each with its text and the dialogs it was under),
// those shown under another dialog, with what that was.
template <typename Boxes>
QStringList boxesUnderDialogs(const Boxes &boxes)
{
    QStringList list;
    for (const auto &box : boxes) {
        if (!box.under.isEmpty())
            list << box.text + QLatin1String(" under ") + box.under.join(QLatin1Char(','));
    }
    return list;
}

// Waits until what a dialog answered before now has been acted upon: the
// answer runs on a later pass of the event loop, ahead of a zero timer
// started now (timers of the same time-out fire in the order they started).
inline bool dialogAnswersRun(int timeoutMs = 5000)
{
    QObject marker;
    bool run = false;
    QTimer::singleShot(0, &marker, [&run]() { run = true; });
    return QTest::qWaitFor([&run]() { return run; }, timeoutMs);
}
