#include "purge/bad_mail.h"

#include "platform/output.h"
#include "purge/folder_purge.h"
#include "support/text.h"

void PurgeBadMail(const ServerSettings& settings, const PurgeRun& run) {
  const char* badMailDirectory = settings.badMailDirectory;
  // An empty setting would make the two folders "\*.MAI" and "\Messages" at a drive root.
  if (badMailDirectory[0] == '\0') {
    switch (settings.badMailDirectoryRead) {
      case TextValue::kTooLong:
        run.outcome.Fail("Skipped the BadMail directory: Bad Mail Directory is too long (at most %d characters)\n",
                         static_cast<int>(sizeof settings.badMailDirectory) - 1);
        return;
      case TextValue::kUnreadable:
        run.outcome.Fail("Skipped the BadMail directory: Bad Mail Directory cannot be read\n");
        return;
      case TextValue::kRead:
      case TextValue::kAbsent:
        break;
    }
    run.outcome.Fail("Skipped the BadMail directory: Bad Mail Directory is not set\n");
    return;
  }
  if (!run.options.reportOnly) {
    platform::Print("Cleaning Files files older than %d days from BadMail directory\n", run.options.days);
  }
  if (!SettingFolderIsThere("Bad Mail Directory", badMailDirectory, "no bad mail was purged", run)) return;

  char messagesPath[2048] = {};
  PurgeFolder(badMailDirectory, run);
  // An emptied path would search the current drive's root instead.
  if (FormatPath(messagesPath, sizeof messagesPath, "%s\\Messages", badMailDirectory) < 0) {
    run.outcome.Fail("Skipped the Messages folder of %s: the folder path is too long\n", badMailDirectory);
    return;
  }
  PurgeFolder(messagesPath, run);
}
