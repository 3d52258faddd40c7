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
/// sleeps as long on a monotonic clock (POSIX). True when it paused: the time ran out or the
/// event was signalled. False at once for a null event, and when the wait failed.
bool WaitPumpingMessages(PauseEvent event, uint32_t milliseconds);

}  // namespace platform
