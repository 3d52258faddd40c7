#pragma once

namespace platform {

/// How a run ended, as its event in the system's log says: the event's type and ID.
enum class RunEvent {
  kDone,     ///< status 0: Information, event ID 1000
  kFailed,   ///< status 1: Error, event ID 1001
  kRefused,  ///< a refused command line: Error, event ID 1002
};

}  // namespace platform
