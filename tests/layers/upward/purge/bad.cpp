// A purge source that reaches into the tests, the benchmarks and the Windows headers.
#include "tests/test_support.h"
#include <bench/fixture.h>
#include <Windows.h>
