#pragma once

#include <cstdint>

namespace platform {

/// Pauses for `milliseconds` on an unnamed auto-reset event that nothing signals, dispatching
/// the thread's window messages meanwhile (Windows), or sleeps as long on a monotonic clock
/// (POSIX). True when it paused: the time ran out or the event was signalled. False when the
/// event could not be created or the wait failed.
bool Pause(uint32_t milliseconds);

}  // namespace platform
