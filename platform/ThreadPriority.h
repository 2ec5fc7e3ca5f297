#pragma once

// Background threads that must not take the CPU from the GUI thread: with
// every core decoding pictures, the GUI thread would otherwise wait its turn
// behind them and the window would stutter.
namespace ThreadPriority {

// Lowers the calling thread's priority a little, once; later calls on the
// same thread do nothing. The thread still runs at full speed on an idle core.
void lowerCurrentThread();

} // namespace ThreadPriority
