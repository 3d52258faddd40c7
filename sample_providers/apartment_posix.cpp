// POSIX has no COM apartments.
#include "sample_providers/store_layout.h"

namespace sample {

std::string Apartment() { return ""; }

}  // namespace sample
