#pragma once
// The one event loop every window, driver and timer runs in: waiting inside it, timing a wait
// across midnight, and ending it.
#include <QString>

namespace orvan {

// Waits `ms` milliseconds while dispatching window events, so timer ticks, port events and
// button handlers run inside the wait. Wait(0) dispatches what is pending and returns.
void Wait(long ms);

// Whole seconds from `start` (seconds since midnight) to now, to the nearest second; a negative
// difference means midnight passed and gets 86400 added.
long ElapsedSeconds(float start);

// Closes every top-level window and ends the event loop: the program ends.
void UnloadAllWindows();

}  // namespace orvan
