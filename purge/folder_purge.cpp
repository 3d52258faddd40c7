#include "purge/folder_purge.h"

#include <cstring>

#include "platform/ascii.h"
#include "platform/clock.h"
#include "platform/output.h"
#include "purge/age.h"
#include "purge/unread.h"
#include "support/text.h"

namespace {

constexpr size_t kPathSize = 2048;

// A control character, or a character no Windows name may hold: a separator, a drive colon or a
// wildcard. A '?' only stands for a character the printing could not show when the name says so.
bool HoldsForbiddenCharacter(const platform::DirEntry& entry) {
  for (const char* c = entry.name; *c != '\0'; ++c) {
    if (static_cast<unsigned char>(*c) < 32 || *c == 127) return true;
    if (*c == '\\' || *c == '/' || *c == ':' || *c == '*' || (*c == '?' && !entry.nameSubstituted)) return true;
  }
  return false;
}

// Lists a folder and judges its entries by the one clock reading of the folder; the deletion
// asks it again about the file it holds.
class FolderVisitor final : public platform::EntryVisitor, public platform::AgeJudge {
 public:
  FolderVisitor(const char* folderPath, uint64_t now, bool keepNames, const PurgeRun& run)
      : folderPath_(folderPath), now_(now), keepNames_(keepNames), run_(run) {}

  void Visit(const platform::Folder& folder, const platform::DirEntry& entry) override {
    // Anything with the directory attribute is no message, whatever else it carries.
    if (entry.attributes & platform::kAttributeDirectory) return;
    if (entry.name[0] == '.') return;
    // No Windows file name holds a control character; a POSIX one could forge a line of the log,
    // and one holding a separator names another path when it is printed or joined.
    if (HoldsForbiddenCharacter(entry)) return;
    // The Windows search also matches short 8.3 names: "*.MAI" can return x.MAIL.
    if (!ascii::EndsWithNoCase(entry.name, ".MAI")) return;

    const std::optional<MessageAge> age = ComputeAge(now_, entry.creationTime);
    if (!age || !::IsOld(*age, run_.options.days)) return;

    platform::FileFacts facts{entry.creationTime, entry.size};
    if (run_.options.reportOnly) {
      PrintAgeLine("\t\t", entry.name, *age);
      NoteListed(entry, facts);
    } else if (PurgeMessage(folderPath_, entry, folder, *this, run_, &facts)) {
      // The line and the totals say what the deletion read of the file it deleted.
      PrintAgeLine("", entry.name, ComputeAge(now_, facts.creationTime).value_or(*age));
      NoteListed(entry, facts);
    }
    ++count_;
  }

  bool IsOld(uint64_t creationTime) const override {
    const std::optional<MessageAge> age = ComputeAge(now_, creationTime);
    return age && ::IsOld(*age, run_.options.days);
  }

  int32_t count() const { return count_; }
  uint32_t listed() const { return listed_; }
  uint64_t listedBytes() const { return listedBytes_; }

 private:
  void PrintAgeLine(const char* indent, const char* name, MessageAge age) const {
    platform::Print("%s%s in %s is %d(y), %d(m), %d(d) old\n", indent, name, folderPath_, age.years, age.months,
                    age.days);
  }

  void NoteListed(const platform::DirEntry& entry, const platform::FileFacts& facts) {
    ++listed_;
    listedBytes_ = AddBytes(listedBytes_, facts.size);
    if (keepNames_) run_.ledger.KeepName(entry);
  }

  const char* folderPath_;
  uint64_t now_;
  bool keepNames_;
  const PurgeRun& run_;
  int32_t count_ = 0;
  uint32_t listed_ = 0;
  uint64_t listedBytes_ = 0;
};

// A preview's second visit of a folder: what it pretended to delete on the first, the real run
// has deleted by now, and does not see; with nothing else there it finds no message at all.
class SecondVisit final : public platform::EntryVisitor {
 public:
  SecondVisit(platform::EntryVisitor& visitor, const RunLedger& ledger) : visitor_(visitor), ledger_(ledger) {}

  void Visit(const platform::Folder& folder, const platform::DirEntry& entry) override {
    if (ledger_.WasPretendedDeleted(entry)) return;
    seen_ = true;
    visitor_.Visit(folder, entry);
  }

  /// The listing as the real run would have had it.
  platform::SearchOutcome Outcome(platform::SearchOutcome listing) const {
    if (seen_ || listing == platform::SearchOutcome::kNotStarted) return listing;
    return listing == platform::SearchOutcome::kCompleted ? platform::SearchOutcome::kNotStarted
                                                          : platform::SearchOutcome::kFailed;
  }

 private:
  platform::EntryVisitor& visitor_;
  const RunLedger& ledger_;
  bool seen_ = false;
};

}  // namespace

void PurgeFolder(const char* folderPath, const PurgeRun& run) {
  char pattern[kPathSize];
  const size_t length = strlen(folderPath);
  const bool endsInSeparator = length > 0 && folderPath[length - 1] == platform::kPathSeparator;
  if (FormatPath(pattern, sizeof pattern, endsInSeparator ? "%s*.MAI" : "%s\\*.MAI", folderPath) < 0) {
    run.outcome.Fail("Skipped %s: the folder path is too long to search\n", folderPath);
    return;
  }

  // Without the time every age is unknown: no file may look old, so the folder is left alone.
  const uint64_t now = run.system.CurrentFileTime();
  if (now == 0) {
    run.outcome.Fail("Skipped %s: the system time cannot be read\n", folderPath);
    return;
  }
  const RunLedger::Visit visit = run.ledger.BeginVisit(folderPath);
  // Listed in full again: REPORT lists every visit as it is, and a preview past its bound of kept
  // names cannot tell what the run would find; neither counts those messages twice.
  const bool relisted = visit == RunLedger::Visit::kAgainUnknown && (run.options.reportOnly || run.options.preview);
  if (relisted && run.options.preview) {
    platform::Print("Preview: %s is listed again; what was listed there before would be gone in the run\n", folderPath);
  }
  FolderVisitor visitor(folderPath, now, visit == RunLedger::Visit::kFirstKeepingNames, run);
  platform::SearchOutcome listing;
  if (visit == RunLedger::Visit::kAgain) {
    SecondVisit again(visitor, run.ledger);
    listing = again.Outcome(run.system.SearchFolder(pattern, again));
  } else {
    listing = run.system.SearchFolder(pattern, visitor);
  }
  run.ledger.EndVisit(visit, relisted ? 0 : visitor.listed(), relisted ? 0 : visitor.listedBytes());
  if (listing == platform::SearchOutcome::kNotStarted) return;
  if (listing != platform::SearchOutcome::kFailed) {
    platform::Print("-->%d\t Messages in\t%s\n", visitor.count(), folderPath);
    // One write per folder: a run that is stopped or crashes leaves whole lines for every folder
    // it finished, and the log is complete before the store provider is called.
    platform::FlushOutput();
    if (visitor.count() > 0 && !run.options.reportOnly) {
      // A preview asks for nothing, but says a rescan the run could not ask for.
      RequestRescan(run.system, run.providers, folderPath,
                    run.options.preview ? RescanRequest::kCheckOnly : RescanRequest::kSend, run.outcome);
    }
  }
  if (listing != platform::SearchOutcome::kCompleted) {
    // The listing failed, at once or part way: what was done stands, the rest of the folder was
    // never seen.
    run.outcome.Fail("Unable to search %s\n", folderPath);
    platform::FlushOutput();
  }
}

bool SettingFolderIsThere(const char* setting, const char* path, const char* consequence, const PurgeRun& run) {
  switch (run.system.CheckFolder(path)) {
    case platform::FolderCheck::kFolder:
      return true;
    case platform::FolderCheck::kMissing:
    case platform::FolderCheck::kNotAFolder:
      // A typo, a store moved away or a drive not mounted: every folder under it would look
      // empty, and the run would report success night after night.
      run.outcome.Fail("The %s %s does not exist or is not a folder: %s.\n", setting, path, consequence);
      return false;
    case platform::FolderCheck::kFailed:
      break;
  }
  run.outcome.Fail("The %s %s cannot be looked at (access denied or a device error): %s.\n", setting, path,
                   consequence);
  return false;
}

bool PurgeMessage(const char* folderPath, const platform::DirEntry& entry, const platform::Folder& folder,
                  const platform::AgeJudge& judge, const PurgeRun& run, platform::FileFacts* facts) {
  const char* fileName = entry.name;
  // The entry is reached through the open folder, but only a message whose whole path (folder,
  // separator, name) fits the tool's path buffer is touched, on either platform.
  if (strlen(folderPath) + 1 + strlen(fileName) >= kPathSize) {
    run.outcome.Fail("Skipped %s in %s: the message path is too long\n", fileName, folderPath);
    return false;
  }
  if (run.options.retainUnread) {
    // Judged and deleted through one open: the file deleted is the file whose header was read.
    // A preview only judges.
    const UnreadPurge outcome = run.options.preview ? UnreadPurgeOf(IsMessageRead(run.system, folder, entry))
                                                    : PurgeIfRead(run.system, folder, entry, judge, facts);
    switch (outcome) {
      case UnreadPurge::kDeleted:
        return true;
      case UnreadPurge::kKept:
        return false;
      case UnreadPurge::kUnreadable:
        run.outcome.Fail("Unable to read %s in %s\n", fileName, folderPath);
        return false;
      case UnreadPurge::kUndeletable:
        break;
    }
  } else if (run.options.preview) {
    // A preview says what the run would do if every deletion succeeded.
    return true;
  } else {
    switch (run.system.DeleteEntry(folder, entry, judge, facts)) {
      case platform::DeleteOutcome::kDeleted:
        return true;
      case platform::DeleteOutcome::kGone:  // another run's deletion, not this one's
      case platform::DeleteOutcome::kLeft:  // no longer an old message
        return false;
      case platform::DeleteOutcome::kFailed:
        break;
    }
  }
  run.outcome.Fail("Unable to delete %s in %s\n", fileName, folderPath);
  return false;
}
