#pragma once

#include <cstdint>

namespace platform {

/// The object the pause between postoffices waits on; nothing ever signals it. Never a library
/// or a mutex.
struct PauseEventObject;
/// Null when it could not be created.
using PauseEvent = PauseEventObject*;

/// Creates the pause event (an unnamed auto-reset event, not signalled).
PauseEvent CreatePauseEvent();

/// Closes the pause event; a null one is ignored.
void ClosePauseEvent(PauseEvent event);

/// Pauses for `milliseconds` while dispatching the thread's window messages (Windows), or
/// sleeps as long on a monotonic clock (POSIX). 1 when the event was signalled or the time
/// ran out while messages were being dispatched, 0 on a time-out or failure, and 0 at once for
/// a null event.
int WaitPumpingMessages(PauseEvent event, uint32_t milliseconds);

}  // namespace platform
