#pragma once

#include <functional>

class QObject;
class QThread;

// Ends, while the application object is still whole, what would outlive it:
// a thread whose event loop still runs when ~QCoreApplication clears the
// application pointer can call through that pointer and crash the process.
// The ends run from the application's post routines, which open its teardown
// also where no aboutToQuit is emitted (tests), on the application's thread.
namespace QuitGuard {

constexpr int kWaitMs = 5000;

// Runs end once at quit, unless owner (an object of the application's
// thread) is gone by then.
void atQuit(QObject *owner, std::function<void()> end);

// At quit the thread's event loops are told to quit and the thread is
// waited for, up to kWaitMs.
void endAtQuit(QThread *thread);

// True from the quit on: nothing new is sent to the service or started.
bool quitting();

} // namespace QuitGuard
