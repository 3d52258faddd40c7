#include <cstdio>

#include "app/run.h"

int main(int argc, char** argv) {
  const int status = RunQnpurge(argc, argv);
  fflush(stdout);
  return status;
}
