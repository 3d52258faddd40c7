#pragma once

#include <cstdint>

// Fault points: every platform call that can fail asks here first whether to fail, so that a test
// can fail each call of a run in turn and check what the tool says and does (the countdown of a
// test file system). Only the fault-injection executable ever arms them; in the tool the check is
// one load of a flag that is always false.
namespace platform::fault {

/// The kinds of call that can be made to fail, each with the error it then reports.
enum class Point {
  kListFolder,       ///< opening a folder's listing: access denied
  kReadFolder,       ///< reading the next part of a listing: an I/O error
  kEntryInfo,        ///< reading an entry's type and times, or the type of what a link names (POSIX): an I/O error
  kOpenMessage,      ///< opening a message file for its header: access denied
  kReadMessage,      ///< reading a message file: an I/O error
  kCloseMessage,     ///< closing a message file: an I/O error
  kDelete,           ///< deleting a message file: access denied
  kRegistry,         ///< reading the registry (one value, or opening the POSIX registry file): access
                     ///< denied; the registry file's fstat and read: an I/O error
  kLoadLibrary,      ///< loading a provider library: not found
  kFindSymbol,       ///< finding an entry point: not found
  kCreateDirectory,  ///< creating the activity-log folder: access denied
  kWriteOutput,      ///< writing or flushing standard output: the disk is full
  kAllocate,         ///< allocating memory in proportion to the input: none left
  kFileType,         ///< reading an open message file's type (Windows): an invalid handle
  kPauseEvent,       ///< creating the event of the pause between postoffices (Windows): no resources
  kPause,            ///< waiting out the pause between postoffices (Windows): the wait fails
  kClock,            ///< converting the system time to a file time (Windows): an invalid time
  kComApartment,     ///< joining the COM apartment (Windows): out of memory
  kCount
};

/// True while a test has armed the points; never set in the tool.
extern bool armed;

/// Counts one call of `point` and says whether it is the one to fail. Only while armed.
bool Hit(Point point);

/// True when this call of `point` must fail. One predictable branch when nothing is armed.
inline bool Fails(Point point) { return armed && Hit(point); }

/// Throws std::bad_alloc when this allocation must fail; for allocations that grow with the input.
void CheckAllocation();

/// Arms the points: counting from now on, and failing the `failAt`-th call of any kind (from 1);
/// 0 fails none and only counts.
void Arm(uint64_t failAt);

/// Stops counting and failing.
void Disarm();

/// The calls of `point` counted since Arm.
uint64_t Calls(Point point);

/// The kind of the call that was failed; kCount when none was.
Point Failed();

/// A short name for `point`, for reports ("list-folder", "delete", ...).
const char* Name(Point point);

}  // namespace platform::fault
