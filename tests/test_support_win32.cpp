#include "tests/test_support.h"

namespace testing_support {

// No FIFO, and a link needs a privilege the tests do not have.
void LayNonFiles(const std::filesystem::path&, const std::filesystem::path&, std::chrono::seconds) {}

}  // namespace testing_support
