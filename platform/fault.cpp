#include "platform/fault.h"

#include <new>

namespace platform::fault {

// The platform's CMakeLists names this build's kind.
const Builds kThisBuild = Builds::QNPURGE_FAULT_BUILD;

bool armed = false;

namespace {

constexpr int kKinds = static_cast<int>(Point::kCount);

constexpr const char* kNames[kKinds] = {
#define QNPURGE_FAULT_POINT(point, name, builds, error) name,
#include "platform/fault_points.def"
#undef QNPURGE_FAULT_POINT
};

constexpr Builds kBuilds[kKinds] = {
#define QNPURGE_FAULT_POINT(point, name, builds, error) Builds::builds,
#include "platform/fault_points.def"
#undef QNPURGE_FAULT_POINT
};

uint64_t countdown = 0;
Point counted = Point::kCount;  // the only kind counted down; kCount: all of them
uint64_t calls[kKinds] = {};
Point failed = Point::kCount;

}  // namespace

bool Hit(Point point) {
  ++calls[static_cast<int>(point)];
  if (countdown == 0 || (counted != Point::kCount && point != counted) || --countdown != 0) return false;
  failed = point;
  return true;
}

void CheckAllocation() {
  if (Fails(Point::kAllocate)) throw std::bad_alloc();
}

void Arm(uint64_t failAt, Point only) {
  for (uint64_t& count : calls) count = 0;
  countdown = failAt;
  counted = only;
  failed = Point::kCount;
  armed = true;
}

void Disarm() { armed = false; }

uint64_t Calls(Point point) { return calls[static_cast<int>(point)]; }

Point Failed() { return failed; }

const char* Name(Point point) { return point < Point::kCount ? kNames[static_cast<int>(point)] : "none"; }

Builds MadeIn(Point point) { return kBuilds[static_cast<int>(point)]; }

}  // namespace platform::fault
