#include "app/run.h"

#include <cstdio>

#include "app/command_line.h"
#include "platform/console.h"
#include "providers/providers.h"
#include "purge/bad_mail.h"
#include "purge/postoffice_walk.h"
#include "purge/run_options.h"
#include "settings/registry.h"
#include "settings/server_settings.h"
#include "support/outcome.h"

int RunQnpurge(int argc, const char* const* argv) {
  switch (ParseCommandLine(argc, argv, &runOptions)) {
    case CommandLineChoice::kUsage:
      PrintUsage();
      fflush(stdout);  // the text must be on screen before the wait
      platform::WaitForKeyPress();
      return 0;
    case CommandLineChoice::kRefused:
      return 1;
    case CommandLineChoice::kRun:
      break;
  }

  printf(runOptions.retainUnread ? "Utility is configured to retain unread messages\n\n"
                                 : "Utility is configured to delete unread messages\n\n");

  if (!CheckRegistry()) return 1;  // a registry file that cannot be read: nothing is done
  LoadSettings();
  LoadAuthenticationProvider();
  LoadPostofficeSettings();
  LoadStoreProvider();

  if (runOptions.cleanPostmaster || runOptions.cleanInbox || runOptions.cleanDeleted || runOptions.cleanSent ||
      runOptions.cleanJunk) {
    PurgePostoffices(runOptions.days);
  }
  if (runOptions.cleanBadMail) PurgeBadMail(runOptions.days);

  FreeProviders();
  return WorkWasSkipped() ? 1 : 0;
}
