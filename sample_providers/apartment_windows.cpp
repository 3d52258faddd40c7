// The COM apartment of the rescan's thread on Windows. CoGetApartmentType is declared here as
// ole32 exports it (its HRESULT and the apartment's type and qualifier are 32-bit integers), so
// that the sample provider needs no Windows header: those stay in platform/windows.
#include "sample_providers/store_layout.h"

extern "C" long CoGetApartmentType(int* type, int* qualifier);

namespace sample {

std::string Apartment() {
  constexpr int kSingleThreaded = 0;
  constexpr int kMultithreaded = 1;
  constexpr int kMainSingleThreaded = 3;
  int type = -1;
  int qualifier = 0;
  if (CoGetApartmentType(&type, &qualifier) != 0) return "none";  // not S_OK: no apartment joined
  if (type == kMultithreaded) return "MTA";
  if (type == kSingleThreaded || type == kMainSingleThreaded) return "STA";
  return std::to_string(type);
}

}  // namespace sample
