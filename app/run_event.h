#pragma once

#include "platform/system.h"
#include "support/outcome.h"

/// Writes the run's one event through `system`, as the run's last act: the command line as
/// typed (arguments with a blank or a quote, or empty, in quotes; a control character as '?')
/// and, after `event`, `lastLine` (kDone), the failure lines `outcome` kept, then "and N more"
/// for those it left out, and `lastLine` when there is one (kFailed), or the refusal line that
/// `outcome` kept (kRefused). `lastLine` has no line feed. A text that does not fit the event
/// says so, with the count of what was left out, and is never cut without a word. A write that
/// fails is said in one line and leaves the exit status as it is.
void WriteRunEvent(platform::System& system, platform::RunEvent event, int argc, const char* const* argv,
                   const RunOutcome& outcome, const char* lastLine);
