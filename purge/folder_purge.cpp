#include "purge/folder_purge.h"

#include <cstdio>
#include <cstring>

#include "app/run_options.h"
#include "platform/clock.h"
#include "purge/age.h"
#include "purge/unread.h"
#include "support/text.h"

namespace {

constexpr size_t kPathSize = 2048;

class FolderVisitor final : public platform::EntryVisitor {
 public:
  FolderVisitor(const char* folderPath, int32_t days, uint64_t now, Store& store)
      : folderPath_(folderPath), days_(days), now_(now), store_(store) {}

  void Visit(const platform::DirEntry& entry) override {
    // Anything with the directory attribute is no message, whatever else it carries.
    if (entry.attributes & platform::kAttributeDirectory) return;
    if (entry.name[0] == '.') return;
    // The Windows search also matches short 8.3 names: "*.MAI" can return x.MAIL.
    if (!EndsWithNoCase(entry.name, ".MAI")) return;

    const std::optional<MessageAge> age = ComputeAge(now_, entry.creationTime);
    if (!age || !IsOld(*age, days_)) return;

    if (runOptions.reportOnly) {
      PrintAgeLine("\t\t", entry.name, *age);
    } else if (DeleteMessage(folderPath_, entry.name, store_)) {
      PrintAgeLine("", entry.name, *age);
    }
    ++count_;
  }

  int32_t count() const { return count_; }

 private:
  void PrintAgeLine(const char* indent, const char* name, MessageAge age) const {
    printf("%s%s in %s is %d(y), %d(m), %d(d) old\n", indent, name, folderPath_, age.years, age.months, age.days);
  }

  const char* folderPath_;
  int32_t days_;
  uint64_t now_;
  Store& store_;
  int32_t count_ = 0;
};

}  // namespace

int PurgeFolder(const char* folderPath, int32_t days, Store& store) {
  char pattern[kPathSize];
  const size_t length = strlen(folderPath);
  const bool endsInSeparator = length > 0 && folderPath[length - 1] == platform::kPathSeparator;
  if (FormatPath(pattern, sizeof pattern, endsInSeparator ? "%s*.MAI" : "%s\\*.MAI", folderPath) < 0) {
    printf("Skipped %s: the folder path is too long to search\n", folderPath);
    return 1;
  }

  FolderVisitor visitor(folderPath, days, platform::CurrentFileTime(), store);
  if (store.Search(pattern, visitor) == platform::SearchOutcome::kNotStarted) return 1;

  printf("-->%d\t Messages in\t%s\n", visitor.count(), folderPath);
  if (visitor.count() > 0 && !runOptions.reportOnly) store.RequestRescan(folderPath);
  return 1;
}

int DeleteMessage(const char* folderPath, const char* fileName, Store& store) {
  char messagePath[kPathSize];
  if (FormatPath(messagePath, sizeof messagePath, "%s\\%s", folderPath, fileName) < 0) {
    printf("Skipped %s in %s: the message path is too long\n", fileName, folderPath);
    return 0;
  }
  if (runOptions.retainUnread && IsMessageRead(messagePath) != 1) return 0;
  return store.Delete(messagePath) ? 1 : 0;
}
