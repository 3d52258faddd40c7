#include "purge/postoffice_walk.h"

#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/output.h"
#include "purge/folder_purge.h"
#include "settings/registry_read.h"
#include "support/text.h"

namespace {

using Entry = PostofficeSource::Entry;

constexpr size_t kPathSize = 2048;

// Text a provider wrote into a record field, read only within the field: a provider that
// filled the field to its end gets it terminated at the last byte.
template <size_t N>
const char* FieldText(char (&field)[N]) {
  field[N - 1] = '\0';
  return field;
}

// False when a name does not fit its field: the record would then ask for something else.
bool ResetMailboxRecord(MailboxRecord* record, const char* postofficeName, const char* mailbox) {
  record->reserved[0] = '\0';
  record->request[0] = -1;
  record->request[1] = 1;
  record->request[2] = -1;
  record->request[3] = -1;
  return BoundedCopy(record->postoffice, sizeof record->postoffice, postofficeName) != nullptr &&
         BoundedCopy(record->mailbox, sizeof record->mailbox, mailbox) != nullptr;
}

// A request that cannot be written as asked is not made at all: an emptied name field would ask
// for every postoffice or mailbox instead of one.
void SkipUnfitRequest(const char* what, RunOutcome& outcome) {
  outcome.Fail("Skipped %s: the name does not fit the provider's record\n", what);
}

struct MailboxFolder {
  const bool RunOptions::*flag;
  const char* progressLine;
  const char* pathFormat;
};

// The order in which a mailbox's folders are purged.
constexpr MailboxFolder kMailboxFolders[] = {
    {&RunOptions::cleanDeleted, "[SF:%s/%s] -> Purging Deleted Items\n", "%s\\%s\\Deleted Items"},
    {&RunOptions::cleanSent, "[SF:%s/%s] -> Purging Sent Items\n", "%s\\%s\\Sent Items"},
    {&RunOptions::cleanJunk, "[SF:%s/%s] -> Purging Junk E-mail\n", "%s\\%s\\Junk E-mail"},
    {&RunOptions::cleanInbox, "[SF:%s/%s] -> Purging Inbox\n", "%s\\%s\\Inbox"},
};

void PurgeMailboxFolders(const char* mailRootPath, const char* postofficeName, MailboxRecord* record,
                         const PurgeRun& run) {
  if (!run.options.CleansAnyMailboxFolder()) return;  // looked up only to learn that the target names it
  const char* mailbox = FieldText(record->mailbox);
  if (const char* problem = StoreNameProblem(mailbox)) {
    run.outcome.Fail("Skipped mailbox \"%s\" of postoffice %s: %s\n", mailbox, postofficeName, problem);
    return;
  }
  for (const MailboxFolder& folder : kMailboxFolders) {
    if (!(run.options.*folder.flag)) continue;
    if (!run.options.reportOnly) platform::Print(folder.progressLine, postofficeName, mailbox);
    char folderPath[kPathSize];
    if (FormatPath(folderPath, sizeof folderPath, folder.pathFormat, mailRootPath, mailbox) < 0) {
      run.outcome.Fail("Skipped a folder of mailbox %s of postoffice %s: the folder path is too long\n", mailbox,
                       postofficeName);
      continue;
    }
    PurgeFolder(folderPath, run);
  }
}

}  // namespace

NamedMailbox PurgeMailboxes(const char* mailRootPath, const char* postofficeName, const char* mailboxName,
                            PostofficeSource& source, const PurgeRun& run) {
  char what[256];
  BoundedFormat(what, sizeof what, "the mailboxes of postoffice %s", postofficeName);

  MailboxRecord record{};
  if (!ResetMailboxRecord(&record, postofficeName, mailboxName)) {
    SkipUnfitRequest(what, run.outcome);
    return NamedMailbox::kNotAsked;
  }

  if (mailboxName[0] != '\0') {
    if (!source.Resolve(Entry::kMailboxGet, what)) return NamedMailbox::kNotAsked;
    if (!source.Call(Entry::kMailboxGet, &record)) return NamedMailbox::kNotFound;
    PurgeMailboxFolders(mailRootPath, postofficeName, &record, run);
    return NamedMailbox::kFound;
  }

  if (!source.Resolve(Entry::kMailboxFindFirst, what) || !source.Resolve(Entry::kMailboxFindNext, what)) {
    return NamedMailbox::kNotAsked;
  }
  int32_t found = source.Call(Entry::kMailboxFindFirst, &record);
  while (found) {
    PurgeMailboxFolders(mailRootPath, postofficeName, &record, run);
    if (!ResetMailboxRecord(&record, postofficeName, "")) {
      SkipUnfitRequest(what, run.outcome);
      break;
    }
    found = source.Call(Entry::kMailboxFindNext, &record);
  }
  return NamedMailbox::kFound;
}

namespace {

// After a target that matched nothing: the names a target takes, which are the postoffices'
// folder names as the provider gives them, not the text of the postmaster line.
void PrintPostofficeNames(PostofficeRecord* record, PostofficeSource& source) {
  constexpr uint32_t kShown = 20;
  char line[kShown * (sizeof record->name + 2) + 64];
  BoundedCopy(line, sizeof line, "Postoffices: ");
  uint32_t count = 0;
  *record = PostofficeRecord{};
  record->request = 1;
  int32_t found = source.Call(Entry::kPostofficeFindFirst, record);
  while (found) {
    if (count < kShown) {
      if (count > 0) BoundedAppend(line, sizeof line, ", ");
      BoundedAppend(line, sizeof line, FieldText(record->name));
    }
    ++count;
    *record = PostofficeRecord{};
    record->request = 1;
    found = source.Call(Entry::kPostofficeFindNext, record);
  }
  char more[64] = {};
  if (count > kShown) BoundedFormat(more, sizeof more, " and %u more", count - kShown);
  platform::Print("%s%s%s\n", line, count == 0 ? "none" : "", more);
}

}  // namespace

void PurgePostoffices(const ServerSettings& settings, PostofficeRequest& request, uint32_t purgeWait,
                      PostofficeSource& source, const PurgeRun& run) {
  const RunOptions& options = run.options;
  const char* mailRoot = settings.mailRoot;
  const char* mailboxName = request.mailboxName;
  PostofficeRecord* record = &request.record;
  const bool all = ascii::EqualNoCase(options.target, "ALL");
  // A named mailbox is looked up even when none of its folders is purged (POSTMASTER alone): a
  // name that matches nothing must be said.
  const bool asksMailboxes = options.CleansAnyMailboxFolder() || mailboxName[0] != '\0';
  bool pauseFailed = false;
  char mailRootPath[kPathSize] = {};

  // What the target named and the providers answered: a misspelt name matches nothing, and the
  // run must not end as if it had done its work.
  bool postofficeFound = false;
  bool mailboxFound = false;
  bool mailboxUnknown = false;  // some postoffice's mailboxes could not be asked for
  int32_t found = source.Call(Entry::kPostofficeFindFirst, record);
  while (found) {
    postofficeFound = true;
    if (!options.reportOnly) {
      platform::Print("Purging Postmaster mailbox for postoffice: %s\n", FieldText(record->description));
    }

    const char* name = FieldText(record->name);
    NamedMailbox mailbox = NamedMailbox::kNotAsked;
    if (const char* problem = StoreNameProblem(name)) {
      run.outcome.Fail("Skipped postoffice \"%s\": %s\n", name, problem);
    } else if (FormatPath(mailRootPath, sizeof mailRootPath, "%s\\%s\\MAILROOT", mailRoot, name) < 0) {
      run.outcome.Fail("Skipped postoffice %s: its mail root path is too long\n", name);
    } else {
      if (options.cleanPostmaster) PurgePostmasterInbox(mailRootPath, run);
      if (asksMailboxes) mailbox = PurgeMailboxes(mailRootPath, name, mailboxName, source, run);
    }
    mailboxFound = mailboxFound || mailbox == NamedMailbox::kFound;
    mailboxUnknown = mailboxUnknown || (asksMailboxes && mailbox == NamedMailbox::kNotAsked);

    // The provider keeps its own position; the record goes back to the request values, with
    // the whole target (P/M, not P) in the name field.
    record->description[0] = '\0';
    record->request = 1;
    if (BoundedCopy(record->name, sizeof record->name, all ? "" : options.target) == nullptr) {
      SkipUnfitRequest("the rest of the postoffice phase", run.outcome);
      break;
    }
    platform::FlushOutput();  // the log is whole while the pause lasts
    if (!run.system.Pause(purgeWait) && !pauseFailed) {
      pauseFailed = true;
      run.outcome.Fail("Unable to pause between postoffices\n");
    }
    found = source.Call(Entry::kPostofficeFindNext, record);
  }

  const bool postofficeMissing = !all && options.target[0] != '/' && !postofficeFound;
  const bool mailboxMissing = mailboxName[0] != '\0' && !mailboxFound && !mailboxUnknown;
  if (postofficeMissing || mailboxMissing) {
    run.outcome.Fail("No postoffice or mailbox matched the target \"%s\".\n", options.target);
    PrintPostofficeNames(record, source);
  }
}

bool SplitTarget(const char* target, char* filter, size_t filterSize, char* mailbox, size_t mailboxSize) {
  const char* slash = strchr(target, '/');
  const size_t filterLength = slash != nullptr ? static_cast<size_t>(slash - target) : strlen(target);
  filter[0] = '\0';
  if (BoundedCopy(mailbox, mailboxSize, slash != nullptr ? slash + 1 : "") == nullptr || filterLength >= filterSize) {
    mailbox[0] = '\0';
    return false;
  }
  memcpy(filter, target, filterLength);
  filter[filterLength] = '\0';
  return true;
}

namespace {

// A name plain Win32 paths read as a device: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-COM9 and
// LPT0-LPT9 (also with a superscript 1, 2 or 3, in the code page or in UTF-8), in any case, with
// or without an extension and blanks before it.
bool NamesADevice(const char* name) {
  size_t length = strcspn(name, ".");
  while (length > 0 && name[length - 1] == ' ') --length;
  const std::string_view base(name, length);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (ascii::EqualNoCase(base, device)) return true;
  }
  if (length < 4 || !(ascii::StartsWithNoCase(base, "COM") || ascii::StartsWithNoCase(base, "LPT"))) return false;
  const std::string_view number = base.substr(3);
  for (const char* superscript : {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"}) {
    if (number == superscript) return true;
  }
  return number.size() == 1 && number[0] >= '0' && number[0] <= '9';
}

}  // namespace

const char* StoreNameProblem(const char* name) {
  if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || strpbrk(name, "\\/:") != nullptr) {
    return "the name cannot be part of a folder path";
  }
  // Plain Win32 paths drop a trailing dot or space and read a device name as the device; the
  // server, which makes its folders through them, cannot have made one under such a name.
  const char last = name[strlen(name) - 1];
  bool forbidden = last == '.' || last == ' ' || strpbrk(name, "<>\"|?*") != nullptr || NamesADevice(name);
  for (const char* c = name; *c != '\0' && !forbidden; ++c) forbidden = static_cast<unsigned char>(*c) < 32;
  return forbidden ? "Windows would read its folder name as another one" : nullptr;
}

void PurgePostmasterInbox(const char* mailRootPath, const PurgeRun& run) {
  char folderPath[kPathSize];
  if (FormatPath(folderPath, sizeof folderPath, "%s\\Postmaster\\Inbox", mailRootPath) < 0) {
    run.outcome.Fail("Skipped the postmaster inbox of %s: the folder path is too long\n", mailRootPath);
    return;
  }
  // With INBOX the Postmaster mailbox's Inbox comes again as a mailbox folder: a preview keeps
  // what it pretends to delete here, so that the second visit shows what the run would find.
  if (run.options.preview && run.options.cleanInbox) run.ledger.ExpectSecondVisit(folderPath);
  PurgeFolder(folderPath, run);
}

bool BeginPostoffices(const ServerSettings& settings, PostofficeSource& source, const PurgeRun& run,
                      PostofficeRequest& request) {
  if (!run.options.reportOnly) platform::Print("Purging Mailbox Messages older than %d days\n", run.options.days);
  platform::Print("Postoffice Root=%s\n", settings.mailRoot);

  // A Mail Root that cannot be read, or an empty one (a fallback that did not fit its field),
  // would put every mail root somewhere else: at the top of the drive, or in another store.
  if (settings.mailRootUnreadable || settings.mailRoot[0] == '\0') {
    run.outcome.Fail(settings.mailRootUnreadable ? "Skipped the postoffice phase: Mail Root cannot be read\n"
                                                 : "Skipped the postoffice phase: Mail Root is not set\n");
    return false;
  }
  if (!SettingFolderIsThere("Mail Root", settings.mailRoot, "no postoffice was purged", run)) return false;
  if (!source.Resolve(Entry::kPostofficeFindFirst, "the postoffice phase") ||
      !source.Resolve(Entry::kPostofficeFindNext, "the postoffice phase")) {
    return false;
  }

  // ALL (any case) walks every postoffice; otherwise the text before the first '/' filters the
  // postoffices and the rest names one mailbox. The command line has already refused a target
  // or mailbox part too long for its record field.
  request = PostofficeRequest{};
  PostofficeRecord& record = request.record;
  if (!ascii::EqualNoCase(run.options.target, "ALL") &&
      !SplitTarget(run.options.target, record.name, sizeof record.name, request.mailboxName,
                   sizeof request.mailboxName)) {
    SkipUnfitRequest("the postoffice phase", run.outcome);
    return false;
  }
  record.request = 1;
  return true;
}
