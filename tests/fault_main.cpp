// The tool with its fault points armed, for the fault-injection tests. QNPURGE_FAULT_AT=N fails
// the N-th fault point reached (none when 0 or unset: the points are only counted), of the kind
// QNPURGE_FAULT_KIND names when it is set and not empty ("read-message"; status 2 for a name no
// kind has), and QNPURGE_FAULT_LOG names a file that receives, after the run, one line "KIND
// COUNT" for every kind of point this build makes, none left out for being reached by no call,
// and the line "failed KIND" ("failed none" when none was failed).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/run.h"
#include "platform/fault.h"

int main(int argc, char** argv) {
  namespace fault = platform::fault;
  const char* failAt = getenv("QNPURGE_FAULT_AT");
  const char* logPath = getenv("QNPURGE_FAULT_LOG");
  auto only = fault::Point::kCount;
  const char* name = getenv("QNPURGE_FAULT_KIND");
  if (name != nullptr && name[0] != '\0') {
    for (int kind = 0; kind < static_cast<int>(fault::Point::kCount); ++kind) {
      if (strcmp(fault::Name(static_cast<fault::Point>(kind)), name) == 0) only = static_cast<fault::Point>(kind);
    }
    if (only == fault::Point::kCount) return 2;
  }
  fault::Arm(failAt != nullptr ? strtoull(failAt, nullptr, 10) : 0, only);
  platform::HostSystem system;
  RunOutcome outcome;
  RunQnpurge(argc, argv, system, outcome);
  fault::Disarm();
  if (logPath != nullptr && logPath[0] != '\0') {
    if (FILE* log = fopen(logPath, "w")) {
      for (int kind = 0; kind < static_cast<int>(fault::Point::kCount); ++kind) {
        const auto point = static_cast<fault::Point>(kind);
        const fault::Builds builds = fault::MadeIn(point);
        if (builds != fault::Builds::kBoth && builds != fault::kThisBuild) continue;
        fprintf(log, "%s %llu\n", fault::Name(point), static_cast<unsigned long long>(fault::Calls(point)));
      }
      fprintf(log, "failed %s\n", fault::Name(fault::Failed()));
      fclose(log);
    }
  }
  return outcome.ExitStatus();
}
