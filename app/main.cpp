#include <cstdio>

#include "app/run.h"

int main(int argc, char** argv) {
  int status = RunQnpurge(argc, argv);
  // A log that could not be written (a full disk, a closed pipe) is a run that did not report
  // what it did.
  if (fflush(stdout) != 0 || ferror(stdout)) status = 1;
  return status;
}
