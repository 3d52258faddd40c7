#include "app/run.h"

int main(int argc, char** argv) {
  RunOutcome outcome;
  RunQnpurge(argc, argv, outcome);
  return outcome.ExitStatus();
}
