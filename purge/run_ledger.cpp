#include "purge/run_ledger.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/fault.h"

namespace {

// A folder path of 2,048 bytes, as UTF-16 units.
constexpr uint32_t kKeySize = 4 * 2048;

std::string IdentityOf(const char* folderPath) {
  char key[kKeySize];
  return std::string(key, platform::FolderIdentity(folderPath, key, sizeof key));
}

std::string_view NameAt(const std::string& names, uint32_t start) {
  const auto* size = reinterpret_cast<const unsigned char*>(names.data() + start);
  return std::string_view(names.data() + start + 2, static_cast<size_t>(size[0] | size[1] << 8));
}

std::string_view NameOf(const platform::DirEntry& entry) {
  const platform::ExactName name = platform::ExactNameOf(entry);
  return std::string_view(name.bytes, name.size);
}

}  // namespace

void RunLedger::ExpectSecondVisit(const char* folderPath) {
  keptFolder_ = IdentityOf(folderPath);
  keptNames_.clear();
  keptStarts_.clear();
  keptAll_ = true;
  sorted_ = false;
}

RunLedger::Visit RunLedger::BeginVisit(const char* folderPath) {
  visited_ = IdentityOf(folderPath);
  const bool kept = !keptFolder_.empty() && visited_ == keptFolder_;
  if (listedFolders_.count(visited_) == 0) return kept ? Visit::kFirstKeepingNames : Visit::kFirst;
  if (!kept || !keptAll_) return Visit::kAgainUnknown;
  if (!sorted_) {
    // Once, when the second visit begins: from then on each name is a binary search.
    std::sort(keptStarts_.begin(), keptStarts_.end(),
              [this](uint32_t a, uint32_t b) { return NameAt(keptNames_, a) < NameAt(keptNames_, b); });
    sorted_ = true;
  }
  return Visit::kAgain;
}

void RunLedger::EndVisit(Visit visit, uint32_t messages, uint64_t bytes) {
  if (messages == 0) return;
  messages_ += messages;
  bytes_ = AddBytes(bytes_, bytes);
  if (visit != Visit::kFirst && visit != Visit::kFirstKeepingNames) return;
  platform::fault::CheckAllocation();
  listedFolders_.insert(visited_);
  ++folders_;
}

bool RunLedger::KeepName(const platform::DirEntry& entry) {
  if (!keptAll_ || sorted_) return false;
  const std::string_view name = NameOf(entry);
  if (keptStarts_.size() >= kKeptNamesLimit || name.size() > 0xFFFF) {
    keptAll_ = false;
    return false;
  }
  // The buffers grow by doubling: an allocation now and then, never one per name.
  if (keptNames_.size() + 2 + name.size() > keptNames_.capacity() || keptStarts_.size() == keptStarts_.capacity()) {
    platform::fault::CheckAllocation();
  }
  keptStarts_.push_back(static_cast<uint32_t>(keptNames_.size()));
  keptNames_.push_back(static_cast<char>(name.size() & 0xFF));
  keptNames_.push_back(static_cast<char>(name.size() >> 8));
  keptNames_.append(name);
  return true;
}

bool RunLedger::WasPretendedDeleted(const platform::DirEntry& entry) const {
  const std::string_view wanted = NameOf(entry);
  const auto found =
      std::lower_bound(keptStarts_.begin(), keptStarts_.end(), wanted,
                       [this](uint32_t start, std::string_view value) { return NameAt(keptNames_, start) < value; });
  return found != keptStarts_.end() && NameAt(keptNames_, *found) == wanted;
}
