#include "platform/fault.h"

#include <new>

namespace platform::fault {

bool armed = false;

namespace {

uint64_t countdown = 0;
uint64_t calls[static_cast<int>(Point::kCount)] = {};
Point failed = Point::kCount;

}  // namespace

bool Hit(Point point) {
  ++calls[static_cast<int>(point)];
  if (countdown == 0 || --countdown != 0) return false;
  failed = point;
  return true;
}

void CheckAllocation() {
  if (Fails(Point::kAllocate)) throw std::bad_alloc();
}

void Arm(uint64_t failAt) {
  for (uint64_t& count : calls) count = 0;
  countdown = failAt;
  failed = Point::kCount;
  armed = true;
}

void Disarm() { armed = false; }

uint64_t Calls(Point point) { return calls[static_cast<int>(point)]; }

Point Failed() { return failed; }

const char* Name(Point point) {
  switch (point) {
    case Point::kListFolder: return "list-folder";
    case Point::kReadFolder: return "read-folder";
    case Point::kEntryInfo: return "entry-info";
    case Point::kOpenMessage: return "open-message";
    case Point::kReadMessage: return "read-message";
    case Point::kCloseMessage: return "close-message";
    case Point::kDelete: return "delete";
    case Point::kRegistry: return "registry";
    case Point::kLoadLibrary: return "load-library";
    case Point::kFindSymbol: return "find-symbol";
    case Point::kCreateDirectory: return "create-directory";
    case Point::kWriteOutput: return "write-output";
    case Point::kAllocate: return "allocate";
    case Point::kFileType: return "file-type";
    case Point::kPauseEvent: return "pause-event";
    case Point::kPause: return "pause";
    case Point::kClock: return "clock";
    case Point::kComApartment: return "com-apartment";
    case Point::kCount: break;
  }
  return "none";
}

}  // namespace platform::fault
