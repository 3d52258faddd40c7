// Logs when a sample provider library is loaded and released, so that tests can see which
// libraries a run loaded and in which order it let them go.

#include "sample_providers/store_layout.h"

namespace {

struct Lifetime {
  Lifetime() { sample::Log(QN_PROVIDER_NAME " loaded"); }
  ~Lifetime() { sample::Log(QN_PROVIDER_NAME " released"); }
} lifetime;

}  // namespace
