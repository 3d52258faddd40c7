#include "app/run.h"

#include <new>

#include "app/command_line.h"
#include "platform/console.h"
#include "platform/output.h"
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
      platform::FlushOutput();  // the text must be on screen before the wait
      platform::WaitForKeyPress();
      return 0;
    case CommandLineChoice::kRefused:
      return 1;
    case CommandLineChoice::kRun:
      break;
  }

  if (runOptions.preview) platform::Print("Preview: nothing is deleted.\n");
  platform::Print(runOptions.retainUnread ? "Utility is configured to retain unread messages\n\n"
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

int QnpurgeMain(int argc, const char* const* argv) {
  int status;
  try {
    status = RunQnpurge(argc, argv);
  } catch (const std::bad_alloc&) {
    // Whatever ran out of memory, the run ends with a line that says so, after every line it
    // had already written.
    platform::FlushOutput();
    platform::Print("Not enough memory to go on. The run stopped.\n");
    status = 1;
  }
  // A log that could not be written (a full disk, a closed pipe) is a run that did not report
  // what it did.
  platform::FlushOutput();
  return platform::OutputFailed() ? 1 : status;
}
