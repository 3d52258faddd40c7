#include "purge/store.h"

#include "providers/providers.h"

namespace {

class SystemStoreImpl final : public Store {
 public:
  platform::SearchOutcome Search(const char* pattern, platform::EntryVisitor& visitor) override {
    return platform::SearchFolder(pattern, visitor);
  }
  bool Delete(const platform::Folder& folder, const char* name) override {
    return platform::DeleteEntry(folder, name);
  }
  void RequestRescan(const char* folderPath) override { ::RequestRescan(folderPath); }
};

}  // namespace

Store& SystemStore() {
  static SystemStoreImpl store;
  return store;
}
