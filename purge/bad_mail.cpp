#include "purge/bad_mail.h"

#include <cstdio>

#include "platform/output.h"
#include "purge/folder_purge.h"
#include "purge/run_options.h"
#include "settings/server_settings.h"
#include "support/outcome.h"
#include "support/text.h"

int PurgeBadMail(int32_t days, Store& store) {
  const char* badMailDirectory = serverSettings.badMailDirectory;
  // An empty setting would make the two folders "\*.MAI" and "\Messages" at a drive root.
  if (badMailDirectory[0] == '\0') {
    platform::Print("Skipped the BadMail directory: Bad Mail Directory is not set\n");
    NoteSkippedWork();
    return 1;
  }
  if (!runOptions.reportOnly) platform::Print("Cleaning Files files older than %d days from BadMail directory\n", days);

  char messagesPath[2048] = {};
  PurgeFolder(badMailDirectory, days, store);
  // An emptied path would search the current drive's root instead.
  if (FormatPath(messagesPath, sizeof messagesPath, "%s\\Messages", badMailDirectory) < 0) {
    platform::Print("Skipped the Messages folder of %s: the folder path is too long\n", badMailDirectory);
    NoteSkippedWork();
    return 1;
  }
  PurgeFolder(messagesPath, days, store);
  return 1;
}
