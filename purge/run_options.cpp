#include "purge/run_options.h"

RunOptions runOptions;
