#include "purge/run_ledger.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/fault.h"

namespace {

std::string_view NameAt(const std::string& names, uint32_t start) { return std::string_view(names.data() + start); }

}  // namespace

void RunLedger::AddFolder(uint32_t messages, uint64_t bytes) {
  if (messages == 0) return;
  messages_ += messages;
  bytes_ = AddBytes(bytes_, bytes);
  ++folders_;
}

void RunLedger::ExpectSecondVisit(const char* folderPath) {
  keptFolder_ = ascii::UpperCopy(folderPath);
  keptNames_.clear();
  keptStarts_.clear();
  keptAll_ = true;
  sorted_ = false;
}

RunLedger::Visit RunLedger::BeginVisit(const char* folderPath) {
  const std::string folded = ascii::UpperCopy(folderPath);
  const bool kept = folded == keptFolder_;
  if (listedFolders_.count(folded) == 0) return kept ? Visit::kFirstKeepingNames : Visit::kFirst;
  if (!kept || !keptAll_) return Visit::kAgainUnknown;
  if (!sorted_) {
    // Once, when the second visit begins: from then on each name is a binary search.
    std::sort(keptStarts_.begin(), keptStarts_.end(),
              [this](uint32_t a, uint32_t b) { return NameAt(keptNames_, a) < NameAt(keptNames_, b); });
    sorted_ = true;
  }
  return Visit::kAgain;
}

bool RunLedger::KeepName(const char* name) {
  if (!keptAll_ || sorted_) return false;
  if (keptStarts_.size() >= kKeptNamesLimit) {
    keptAll_ = false;
    return false;
  }
  const size_t length = strlen(name) + 1;
  // The buffers grow by doubling: an allocation now and then, never one per name.
  if (keptNames_.size() + length > keptNames_.capacity() || keptStarts_.size() == keptStarts_.capacity()) {
    platform::fault::CheckAllocation();
  }
  keptStarts_.push_back(static_cast<uint32_t>(keptNames_.size()));
  keptNames_.append(name, length);
  return true;
}

bool RunLedger::WasPretendedDeleted(const char* name) const {
  const std::string_view wanted(name);
  const auto found =
      std::lower_bound(keptStarts_.begin(), keptStarts_.end(), wanted,
                       [this](uint32_t start, std::string_view value) { return NameAt(keptNames_, start) < value; });
  return found != keptStarts_.end() && NameAt(keptNames_, *found) == wanted;
}

void RunLedger::NoteListed(const char* folderPath) {
  platform::fault::CheckAllocation();
  listedFolders_.insert(ascii::UpperCopy(folderPath));
}
