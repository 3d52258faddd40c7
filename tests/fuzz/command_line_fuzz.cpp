// libFuzzer target for the command-line parser: the input is an argument vector, its arguments
// parted by zero bytes, of any count and any other bytes. What the parser prints is captured
// here instead of written, and each decision is checked against what it must imply.
#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "platform/ascii.h"
#include "platform/output.h"

namespace {

std::string printed;

constexpr const char* kKeywords[] = {"POSTMASTER", "INBOX", "BADMAIL", "DELETED", "SENT", "JUNK", "REPORT", "PREVIEW"};

// The oracle's own search, apart from the parser's: ASCII letters fold, nothing else.
bool Holds(std::string_view text, std::string_view keyword) {
  const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return std::search(text.begin(), text.end(), keyword.begin(), keyword.end(),
                     [&](char a, char b) { return fold(a) == fold(b); }) != text.end();
}

bool HoldsAnyKeyword(std::string_view text) {
  for (const char* keyword : kKeywords) {
    if (Holds(text, keyword)) return true;
  }
  return false;
}

void Check(bool condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "broken: %s\n", what);
    abort();
  }
}

}  // namespace

namespace platform {

extern const char kPathSeparator = '/';  // for the text helpers linked in; no path is built

// Captured whole, as the tool writes it: a refusal quotes an argument of any length.
void PrintArguments(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  const int length = vsnprintf(nullptr, 0, format, args);
  if (length > 0) {
    std::vector<char> line(static_cast<size_t>(length) + 1);
    vsnprintf(line.data(), line.size(), format, again);
    printed.append(line.data(), static_cast<size_t>(length));
  }
  va_end(again);
}

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintArguments(format, args);
  va_end(args);
}

void FlushOutput() {}

bool OutputFailed() { return false; }

}  // namespace platform

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments{"qnpurge"};
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (size_t start = 0; size > 0 && start <= size && arguments.size() < 9;) {
    const size_t end = std::min(bytes.find('\0', start), size);
    arguments.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  const int argc = static_cast<int>(argv.size());

  printed.clear();
  RunOptions options{};
  RunOutcome outcome;
  const CommandLineChoice choice = ParseCommandLine(argc, argv.data(), &options, outcome);
  const bool asksForHelp = argc > 1 && (ascii::EqualNoCase(argv[1], "/?") || ascii::EqualNoCase(argv[1], "?"));

  switch (choice) {
    case CommandLineChoice::kUsage:
      Check(argc == 1 || asksForHelp, "usage only for no argument or a question mark");
      Check(printed.empty(), "usage is printed by the run, not the parser");
      break;
    case CommandLineChoice::kTooFew:
      Check((argc == 2 || argc == 3) && !asksForHelp, "too few only for one or two arguments");
      Check(printed.empty(), "the too-few line is printed by the run");
      break;
    case CommandLineChoice::kRefused: {
      Check(argc >= 4 && !asksForHelp, "a refusal needs a command");
      // A name split at a space adds one fixed line, after the refusal's own.
      const std::string hint =
          "A postoffice or mailbox name with spaces goes in double quotes: \"Main Office/alice\".\n";
      const bool hinted =
          printed.size() > hint.size() && printed.compare(printed.size() - hint.size(), hint.size(), hint) == 0;
      const std::string line = hinted ? printed.substr(0, printed.size() - hint.size()) : printed;
      Check(line.size() > 19 && line.find('\n') == line.size() - 1 && line.find('\r') == std::string::npos &&
                line.compare(line.size() - 19, 19, " Nothing was done.\n") == 0,
            "a refusal is one line that ends 'Nothing was done.'");
      // The hint is advice, not a failure: the event keeps the refusal alone.
      Check(outcome.WorkWasSkipped() && line == outcome.KeptLines(), "a refusal is noted and kept as printed");
      break;
    }
    case CommandLineChoice::kRun: {
      Check(argc == 4 || argc == 5, "a run has three or four arguments");
      Check(printed.empty() && !outcome.WorkWasSkipped(), "a run's command line prints and notes nothing");
      Check(strcmp(options.target, argv[1]) == 0 && strcmp(options.switchText, argv[3]) == 0,
            "target and switches are copied unchanged");
      Check(argv[1][0] != '\0' && strcmp(argv[1], "/") != 0, "the target names something");
      Check(options.days == ParseDays(argv[2]) && options.days >= 0, "days as read, never negative");
      Check((options.retainUnread != 0) == (argc == 5), "UNREAD is the fourth argument");
      Check(argc == 4 || !HoldsAnyKeyword(argv[4]), "a fourth argument holding a switch never runs");
      Check(options.cleanPostmaster || options.cleanInbox || options.cleanBadMail || options.cleanDeleted ||
                options.cleanSent || options.cleanJunk,
            "a run turns on a folder");
      Check((options.reportOnly != 0) == Holds(argv[3], "REPORT"), "REPORT as given");
      Check((options.preview != 0) == (Holds(argv[3], "PREVIEW") && !options.reportOnly), "PREVIEW as given");
      Check((options.cleanSent != 0) == Holds(argv[3], "SENT") && (options.cleanJunk != 0) == Holds(argv[3], "JUNK"),
            "SENT and JUNK as given");
      if (!options.reportOnly) {
        Check((options.cleanInbox != 0) == Holds(argv[3], "INBOX") &&
                  (options.cleanDeleted != 0) == Holds(argv[3], "DELETED") &&
                  (options.cleanPostmaster != 0) == Holds(argv[3], "POSTMASTER") &&
                  (options.cleanBadMail != 0) == Holds(argv[3], "BADMAIL"),
              "folder switches as given");
      }
      break;
    }
  }
  return 0;
}
