#pragma once

#include <cstdint>

// Fault points: the failures that happen inside one call of the host system (a listing that fails
// part way, a header read after the open, ...) ask here first whether to fail, so that a test can
// fail each in turn and check what the tool says and does. A call that fails as a whole is failed
// on the system seam instead, by the tests. Only the fault-injection executable ever arms the
// points; in the tool the check is one load of a flag that is always false.
namespace platform::fault {

/// The builds that make a kind of call.
enum class Builds { kBoth, kWindows, kPosix };

/// The kinds of call that can be made to fail: one per row of platform/fault_points.def, which
/// gives each its name, its builds and the error it then reports.
enum class Point {
#define QNPURGE_FAULT_POINT(point, name, builds, error) point,
#include "platform/fault_points.def"
#undef QNPURGE_FAULT_POINT
  kCount
};

/// This build: kWindows or kPosix.
extern const Builds kThisBuild;

/// True while a test has armed the points; never set in the tool.
extern bool armed;

/// Counts one call of `point` and says whether it is the one to fail. Only while armed.
bool Hit(Point point);

/// True when this call of `point` must fail. One predictable branch when nothing is armed.
inline bool Fails(Point point) { return armed && Hit(point); }

/// Throws std::bad_alloc when this allocation must fail; for allocations that grow with the input.
void CheckAllocation();

/// Arms the points: counting from now on, and failing the `failAt`-th call (from 1) of any kind,
/// or of `only` alone when that is not kCount; 0 fails none and only counts.
void Arm(uint64_t failAt, Point only = Point::kCount);

/// Stops counting and failing.
void Disarm();

/// The calls of `point` counted since Arm.
uint64_t Calls(Point point);

/// The kind of the call that was failed; kCount when none was.
Point Failed();

/// The name of `point` in the fault log ("read-folder", "write-output", ...); "none" for kCount.
const char* Name(Point point);

/// The builds that make calls of `point`.
Builds MadeIn(Point point);

}  // namespace platform::fault
