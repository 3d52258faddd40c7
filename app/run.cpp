#include "app/run.h"

#include <cstdio>
#include <new>

#include "app/command_line.h"
#include "app/run_event.h"
#include "platform/output.h"
#include "providers/postoffice_source.h"
#include "providers/providers.h"
#include "purge/bad_mail.h"
#include "purge/postoffice_walk.h"
#include "purge/run_ledger.h"
#include "purge/run_options.h"
#include "settings/registry_read.h"
#include "settings/server_settings.h"

namespace {

// The run's records live here and are handed down from here to whatever needs them. `choice`
// says how the command line was taken, and `lastLine` receives the totals line, as soon as each
// is known.
void Run(int argc, const char* const* argv, platform::System& system, RunOutcome& outcome, CommandLineChoice& choice,
         char* lastLine, size_t lastLineSize) {
  RunOptions runOptions{};
  choice = ParseCommandLine(argc, argv, &runOptions, outcome);
  switch (choice) {
    case CommandLineChoice::kUsage:
      PrintUsage(true);
      platform::FlushOutput();  // the text must be on screen before the wait
      system.WaitForKeyPress();
      return;
    case CommandLineChoice::kTooFew:
      // A scheduled task has nobody to press a key: it would hang until its time limit.
      PrintUsage(false);
      PrintTooFewArguments(outcome);
      return;
    case CommandLineChoice::kRefused:
      return;
    case CommandLineChoice::kRun:
      break;
  }

  if (runOptions.preview) platform::Print("Preview: nothing is deleted.\n");
  platform::Print(runOptions.retainUnread ? "Utility is configured to retain unread messages\n\n"
                                          : "Utility is configured to delete unread messages\n\n");

  // A registry file that cannot be read, or no server key: nothing is done.
  if (!CheckRegistry(system, outcome)) return;
  ServerSettings serverSettings{};
  LoadSettings(system, serverSettings);
  // Released on every way out of the run, running out of memory included; the run and the
  // postoffice source below hold the set and go first.
  LoadedProviders providers(system);
  LoadAuthenticationProvider(system, serverSettings, providers.set);
  // The postoffice configuration provider is loaded from the directory read afresh here, not
  // from the copy in the settings.
  char postofficeProviderDirectory[1024] = {};
  GetApplicationDirectory(system, postofficeProviderDirectory, sizeof postofficeProviderDirectory);
  LoadPostofficeSettings(system, postofficeProviderDirectory, providers.set, serverSettings);
  LoadStoreProvider(system, serverSettings, providers.set);

  RunLedger ledger;
  const PurgeRun run{runOptions, system, providers.set, outcome, ledger};
  if (runOptions.CleansAnyPostofficeFolder()) {
    LibraryPostofficeSource postoffices(system, providers.set, outcome);
    PostofficeRequest request;
    // Purge Wait is read once the phase is sure to walk, where the walk needs it.
    if (BeginPostoffices(serverSettings, postoffices, run, request)) {
      PurgePostoffices(serverSettings, request, GetPurgeWait(system), postoffices, run);
    }
  }
  if (runOptions.cleanBadMail) PurgeBadMail(serverSettings, run);
  // Totals only for a run that got this far: one that ran out of memory ends with that line, and
  // totals short of the work not done would read as the run's whole.
  snprintf(lastLine, lastLineSize, "%s %llu messages (%llu bytes) from %llu folders.",
           runOptions.reportOnly || runOptions.preview ? "Would purge" : "Purged",
           static_cast<unsigned long long>(ledger.messages()), static_cast<unsigned long long>(ledger.bytes()),
           static_cast<unsigned long long>(ledger.folders()));
  platform::Print("%s\n", lastLine);
}

}  // namespace

void RunQnpurge(int argc, const char* const* argv, platform::System& system, RunOutcome& outcome) {
  auto choice = CommandLineChoice::kRun;
  char lastLine[256] = "";
  try {
    Run(argc, argv, system, outcome, choice, lastLine, sizeof lastLine);
  } catch (const std::bad_alloc&) {
    // Whatever ran out of memory, the run ends with a line that says so, after every line it
    // had already written.
    platform::FlushOutput();
    outcome.Fail("Not enough memory to go on. The run stopped.\n");
  }
  // A log that could not be written (a full disk, a closed pipe) is a run that did not report
  // what it did.
  platform::FlushOutput();
  if (platform::OutputFailed()) outcome.NoteUnprintedFailure("The run's output could not be written in full.\n");
  if (choice == CommandLineChoice::kUsage) return;
  auto event = platform::RunEvent::kRefused;
  if (choice == CommandLineChoice::kRun) {
    event = outcome.WorkWasSkipped() ? platform::RunEvent::kFailed : platform::RunEvent::kDone;
  }
  WriteRunEvent(system, event, argc, argv, outcome, lastLine);
}
