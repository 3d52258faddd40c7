#include "app/run_event.h"

#include <cstdio>
#include <cstring>

#include "platform/output.h"

namespace {

// What the event's texts hold at most: room for a command line the parser takes whole and for
// every failure line RunOutcome keeps.
constexpr size_t kCommandLineSize = 2048;
constexpr size_t kFailureTextSize = RunOutcome::kKeptTextSize + 64;

// Appends `length` bytes of `text` where they fit; false when the buffer cannot take them with
// room left for the line that says what was left out.
bool Append(char* buffer, size_t size, size_t* used, const char* text, size_t length) {
  if (*used + length + 48 > size) return false;
  memcpy(buffer + *used, text, length);
  *used += length;
  buffer[*used] = '\0';
  return true;
}

// A line feed, a carriage return or another control character would part the event's line or
// hide a part of it: each shows as '?', as in the refusal lines.
size_t AppendArgument(const char* argument, char* piece, size_t pieceSize) {
  const bool quoted = argument[0] == '\0' || strpbrk(argument, " \t\"") != nullptr;
  size_t length = 0;
  if (quoted) piece[length++] = '"';
  for (const char* c = argument; *c != '\0' && length + 2 < pieceSize; ++c) {
    const unsigned char u = static_cast<unsigned char>(*c);
    piece[length++] = (u < 0x20 && u != '\t') || u == 0x7f ? '?' : *c;
  }
  if (quoted) piece[length++] = '"';
  return length;
}

void CommandLineText(int argc, const char* const* argv, char* buffer, size_t size) {
  size_t used = 0;
  buffer[0] = '\0';
  for (int i = 0; i < argc; ++i) {
    char piece[kCommandLineSize];
    size_t length = 0;
    if (i > 0) piece[length++] = ' ';
    length += AppendArgument(argv[i], piece + length, sizeof piece - length);
    if (!Append(buffer, size, &used, piece, length)) {
      size_t rest = 0;
      for (int j = i; j < argc; ++j) rest += strlen(argv[j]) + 1;
      snprintf(buffer + used, size - used, " ... (%llu more characters)", static_cast<unsigned long long>(rest));
      return;
    }
  }
}

}  // namespace

void WriteRunEvent(platform::System& system, platform::RunEvent event, int argc, const char* const* argv,
                   const RunOutcome& outcome, const char* lastLine) {
  char commandLine[kCommandLineSize];
  CommandLineText(argc, argv, commandLine, sizeof commandLine);
  // The kept lines without their last line feed, then the count of those left out.
  char failures[kFailureTextSize];
  const char* kept = outcome.KeptLines();
  size_t length = strlen(kept);
  if (length > 0 && kept[length - 1] == '\n') --length;
  snprintf(failures, sizeof failures, "%.*s", static_cast<int>(length), kept);
  if (outcome.LinesLeftOut() > 0) {
    snprintf(failures + length, sizeof failures - length, "%sand %llu more", length > 0 ? "\n" : "",
             static_cast<unsigned long long>(outcome.LinesLeftOut()));
  }

  const char* texts[3] = {commandLine, event == platform::RunEvent::kDone ? lastLine : failures, lastLine};
  const size_t count = event == platform::RunEvent::kFailed ? 3 : 2;
  char problem[256];
  if (!system.WriteRunEvent(event, texts, count, problem, sizeof problem)) {
    platform::Print("%s\n", problem);
    platform::FlushOutput();
  }
}
