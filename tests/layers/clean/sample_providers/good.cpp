#include "providers/provider_api.h"
