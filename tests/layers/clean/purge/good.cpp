// A purge source that includes only its own layer and those below it.
#include "purge/store.h"
#include <support/text.h>
#  include "platform/files.h"
// #include "app/run.h"
/* #include <app/run.h>
#include <app/run.h> */
#define SETTINGS_HEADER "settings/settings.h"
#include SETTINGS_HEADER
#include <string>
