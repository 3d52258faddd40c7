#pragma once

#include <cstddef>

namespace platform {

/// How a run ended, as its event in the system's log says: the event's type and ID.
enum class RunEvent {
  kDone,     ///< status 0: Information, event ID 1000
  kFailed,   ///< status 1: Error, event ID 1001
  kRefused,  ///< a refused command line: Error, event ID 1002
};

/// Writes one event for a run to the system's log, its texts as they are (narrow text of the
/// ANSI code page, lines parted by '\n', at most 30,000 bytes together). On Windows to the
/// Application log under the source QNPURGE: RegisterEventSourceW, then ReportEventW with the
/// texts as the insertion strings of the event's message (the source needs no registration for
/// the event to be logged). On POSIX one syslog(3) message of the texts joined by line feeds,
/// ident "qnpurge", facility LOG_USER, LOG_INFO for kDone and LOG_ERR otherwise. Writes nothing
/// else anywhere, the registry included. False when the event could not be written, with a line
/// saying so (and the system's error) in `problem`; syslog(3) cannot tell.
bool WriteRunEvent(RunEvent event, const char* const* texts, size_t count, char* problem, size_t problemSize);

}  // namespace platform
