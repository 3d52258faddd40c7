#include "app/run.h"

int main(int argc, char** argv) {
  platform::HostSystem system;
  RunOutcome outcome;
  RunQnpurge(argc, argv, system, outcome);
  return outcome.ExitStatus();
}
