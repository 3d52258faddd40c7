#pragma once
// A support header that reaches up in every form an include can take.
#include <purge/store.h>
#  include "app/run.h"
# include<providers/providers.h>
#define STORE_HEADER <purge/store.h>
#include STORE_HEADER
#include UNDEFINED_HEADER
#include "../settings/settings.h"
const char* const kPattern = "/*";
#include "app/command_line.h"
