#pragma once

namespace platform {

/// Waits for one key press without echo. On POSIX only when standard input is a terminal;
/// otherwise returns at once.
void WaitForKeyPress();

}  // namespace platform
