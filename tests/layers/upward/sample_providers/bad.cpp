#include "purge/folder_purge.h"
