#pragma once

namespace platform {

/// Waits for one key press without echo. On POSIX only when standard input is a terminal;
/// otherwise returns at once. A key that cannot be read ends the wait at once, which changes
/// nothing: the usage text is already out and the run ends as it would have.
void WaitForKeyPress();

}  // namespace platform
