// The sample store provider (QNAISP.DLL): a rescan request changes nothing visible here; it is
// only logged, with the apartment of the thread that asked for it where there are apartments.

#include <string>

#include "sample_providers/store_layout.h"

extern "C" QN_PROVIDER_EXPORT int32_t ScanFolders(const char* folderPath, int32_t a, int32_t b) {
  sample::Log("ScanFolders path=\"" + std::string(folderPath) + "\" " + std::to_string(a) + " " + std::to_string(b));
  const std::string apartment = sample::Apartment();
  if (!apartment.empty()) sample::Log("Apartment " + apartment);
  return 1;
}
