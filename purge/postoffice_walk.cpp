#include "purge/postoffice_walk.h"

#include <cstdio>
#include <cstring>

#include "platform/ascii.h"
#include "platform/output.h"
#include "platform/pause.h"
#include "providers/provider_api.h"
#include "providers/providers.h"
#include "purge/folder_purge.h"
#include "purge/run_options.h"
#include "settings/registry.h"
#include "settings/server_settings.h"
#include "support/outcome.h"
#include "support/text.h"

namespace {

constexpr size_t kPathSize = 2048;
constexpr const char kProviderTitle[] = "Postoffice Configuration Provider";

// Text a provider wrote into a record field, read only within the field: a provider that
// filled the field to its end gets it terminated at the last byte.
template <size_t N>
const char* FieldText(char (&field)[N]) {
  field[N - 1] = '\0';
  return field;
}

bool Resolve(const char* name, const char* what, void** entry) {
  *entry = ResolveEntryPoint(providerSet.postofficeConfig, name, kProviderTitle, what);
  return *entry != nullptr;
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
void SkipUnfitRequest(const char* what) {
  platform::Print("Skipped %s: the name does not fit the provider's record\n", what);
  NoteSkippedWork();
}

struct MailboxFolder {
  const int32_t RunOptions::*flag;
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
                         int32_t days) {
  const char* mailbox = FieldText(record->mailbox);
  if (!IsUsableStoreName(mailbox)) {
    platform::Print("Skipped mailbox \"%s\" of postoffice %s: the name cannot be part of a folder path\n", mailbox,
           postofficeName);
    NoteSkippedWork();
    return;
  }
  for (const MailboxFolder& folder : kMailboxFolders) {
    if (!(runOptions.*folder.flag)) continue;
    if (!runOptions.reportOnly) platform::Print(folder.progressLine, postofficeName, mailbox);
    char folderPath[kPathSize];
    if (FormatPath(folderPath, sizeof folderPath, folder.pathFormat, mailRootPath, mailbox) < 0) {
      platform::Print("Skipped a folder of mailbox %s of postoffice %s: the folder path is too long\n", mailbox,
             postofficeName);
      continue;
    }
    PurgeFolder(folderPath, days);
  }
}

}  // namespace

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

bool IsUsableStoreName(const char* name) {
  if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
  return strpbrk(name, "\\/:") == nullptr;
}

uint32_t GetPurgeWait() {
  static const uint32_t wait = [] {
    uint32_t value = 0;
    return RegReadDword(kAdministrationKey, "Purge Wait", &value) ? value : 1000u;
  }();
  return wait;
}

int PurgePostmasterInbox(const char* mailRootPath, int32_t days) {
  char folderPath[kPathSize];
  if (FormatPath(folderPath, sizeof folderPath, "%s\\Postmaster\\Inbox", mailRootPath) < 0) {
    platform::Print("Skipped the postmaster inbox of %s: the folder path is too long\n", mailRootPath);
    return 1;
  }
  PurgeFolder(folderPath, days);
  return 1;
}

namespace {

// Whether the mailbox the target names was found in one postoffice.
enum class NamedMailbox { kFound, kNotFound, kNotAsked };

NamedMailbox WalkMailboxes(const char* mailRootPath, const char* postofficeName, int32_t days) {
  char what[256];
  BoundedFormat(what, sizeof what, "the mailboxes of postoffice %s", postofficeName);

  MailboxRecord record{};
  if (!ResetMailboxRecord(&record, postofficeName, runOptions.mailboxName)) {
    SkipUnfitRequest(what);
    return NamedMailbox::kNotAsked;
  }

  if (runOptions.mailboxName[0] != '\0') {
    void* get;
    if (!Resolve("MailboxGet", what, &get)) return NamedMailbox::kNotAsked;
    if (!reinterpret_cast<MailboxCall>(get)(&record)) return NamedMailbox::kNotFound;
    PurgeMailboxFolders(mailRootPath, postofficeName, &record, days);
    return NamedMailbox::kFound;
  }

  void* first;
  void* next;
  if (!Resolve("MailboxFindFirst", what, &first) || !Resolve("MailboxFindNext", what, &next)) {
    return NamedMailbox::kNotAsked;
  }
  int32_t found = reinterpret_cast<MailboxCall>(first)(&record);
  while (found) {
    PurgeMailboxFolders(mailRootPath, postofficeName, &record, days);
    if (!ResetMailboxRecord(&record, postofficeName, "")) {
      SkipUnfitRequest(what);
      break;
    }
    found = reinterpret_cast<MailboxCall>(next)(&record);
  }
  return NamedMailbox::kFound;
}

}  // namespace

int PurgeMailboxes(const char* mailRootPath, const char* postofficeName, int32_t days) {
  WalkMailboxes(mailRootPath, postofficeName, days);
  return 1;
}

int PurgePostoffices(int32_t days) {
  PostofficeRecord record{};
  char mailRootPath[kPathSize] = {};
  platform::PauseEvent pause = platform::CreatePauseEvent();

  if (!runOptions.reportOnly) platform::Print("Purging Mailbox Messages older than %d days\n", days);
  platform::Print("Postoffice Root=%s\n", serverSettings.mailRoot);

  // A Mail Root that cannot be read, or an empty one (a fallback that did not fit its field),
  // would put every mail root somewhere else: at the top of the drive, or in another store.
  if (serverSettings.mailRootUnreadable || serverSettings.mailRoot[0] == '\0') {
    platform::Print(serverSettings.mailRootUnreadable ? "Skipped the postoffice phase: Mail Root cannot be read\n"
                                             : "Skipped the postoffice phase: Mail Root is not set\n");
    NoteSkippedWork();
    platform::ClosePauseEvent(pause);
    return 1;
  }

  void* first;
  void* next;
  if (!Resolve("PostofficeFindFirst", "the postoffice phase", &first) ||
      !Resolve("PostofficeFindNext", "the postoffice phase", &next)) {
    platform::ClosePauseEvent(pause);
    return 1;
  }

  // ALL (any case) walks every postoffice; otherwise the text before the first '/' filters the
  // postoffices and the rest names one mailbox. The command line has already refused a target
  // or mailbox part too long for its record field.
  const bool all = ascii::EqualNoCase(runOptions.target, "ALL");
  runOptions.mailboxName[0] = '\0';
  if (!all && !SplitTarget(runOptions.target, record.name, sizeof record.name, runOptions.mailboxName,
                           sizeof runOptions.mailboxName)) {
    SkipUnfitRequest("the postoffice phase");
    platform::ClosePauseEvent(pause);
    return 1;
  }
  record.request = 1;

  const uint32_t wait = GetPurgeWait();
  const bool anyMailboxFolder =
      runOptions.cleanInbox || runOptions.cleanDeleted || runOptions.cleanSent || runOptions.cleanJunk;

  // What the target named and the providers answered: a misspelt name matches nothing, and the
  // run must not end as if it had done its work.
  bool postofficeFound = false;
  bool mailboxFound = false;
  bool mailboxUnknown = false;  // some postoffice's mailboxes could not be asked for
  int32_t found = reinterpret_cast<PostofficeCall>(first)(&record);
  while (found) {
    postofficeFound = true;
    if (!runOptions.reportOnly) platform::Print("Purging Postmaster mailbox for postoffice: %s\n", FieldText(record.description));

    const char* name = FieldText(record.name);
    NamedMailbox mailbox = NamedMailbox::kNotAsked;
    if (!IsUsableStoreName(name)) {
      platform::Print("Skipped postoffice \"%s\": the name cannot be part of a folder path\n", name);
      NoteSkippedWork();
    } else if (FormatPath(mailRootPath, sizeof mailRootPath, "%s\\%s\\MAILROOT", serverSettings.mailRoot, name) < 0) {
      platform::Print("Skipped postoffice %s: its mail root path is too long\n", name);
    } else {
      if (runOptions.cleanPostmaster) PurgePostmasterInbox(mailRootPath, days);
      if (anyMailboxFolder) mailbox = WalkMailboxes(mailRootPath, name, days);
    }
    mailboxFound = mailboxFound || mailbox == NamedMailbox::kFound;
    mailboxUnknown = mailboxUnknown || (anyMailboxFolder && mailbox == NamedMailbox::kNotAsked);

    // The provider keeps its own position; the record goes back to the request values, with
    // the whole target (P/M, not P) in the name field.
    record.description[0] = '\0';
    record.request = 1;
    if (BoundedCopy(record.name, sizeof record.name, all ? "" : runOptions.target) == nullptr) {
      SkipUnfitRequest("the rest of the postoffice phase");
      break;
    }
    platform::FlushOutput();  // the log is whole while the pause lasts
    platform::WaitPumpingMessages(pause, wait);
    found = reinterpret_cast<PostofficeCall>(next)(&record);
  }

  const bool postofficeMissing = !all && runOptions.target[0] != '/' && !postofficeFound;
  const bool mailboxMissing =
      runOptions.mailboxName[0] != '\0' && anyMailboxFolder && !mailboxFound && !mailboxUnknown;
  if (postofficeMissing || mailboxMissing) {
    platform::Print("No postoffice or mailbox matched the target \"%s\".\n", runOptions.target);
    NoteSkippedWork();
  }
  platform::ClosePauseEvent(pause);
  return 1;
}
