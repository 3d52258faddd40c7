#include "purge/bad_mail.h"

#include "platform/output.h"
#include "purge/folder_purge.h"
#include "support/text.h"

int PurgeBadMail(int32_t days, const ServerSettings& settings, const PurgeRun& run) {
  const char* badMailDirectory = settings.badMailDirectory;
  // An empty setting would make the two folders "\*.MAI" and "\Messages" at a drive root.
  if (badMailDirectory[0] == '\0') {
    switch (settings.badMailDirectoryRead) {
      case TextValue::kTooLong:
        platform::Print("Skipped the BadMail directory: Bad Mail Directory is too long (at most %d characters)\n",
                        static_cast<int>(sizeof settings.badMailDirectory) - 1);
        break;
      case TextValue::kUnreadable:
        platform::Print("Skipped the BadMail directory: Bad Mail Directory cannot be read\n");
        break;
      case TextValue::kRead:
      case TextValue::kAbsent:
        platform::Print("Skipped the BadMail directory: Bad Mail Directory is not set\n");
        break;
    }
    run.outcome.NoteSkippedWork();
    return 1;
  }
  if (!run.options.reportOnly) {
    platform::Print("Cleaning Files files older than %d days from BadMail directory\n", days);
  }

  char messagesPath[2048] = {};
  PurgeFolder(badMailDirectory, days, run);
  // An emptied path would search the current drive's root instead.
  if (FormatPath(messagesPath, sizeof messagesPath, "%s\\Messages", badMailDirectory) < 0) {
    platform::Print("Skipped the Messages folder of %s: the folder path is too long\n", badMailDirectory);
    run.outcome.NoteSkippedWork();
    return 1;
  }
  PurgeFolder(messagesPath, days, run);
  return 1;
}
