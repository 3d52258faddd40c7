// The run's event in the Application log on Windows.
#include <windows.h>

#include <cstdio>

#include "platform/fault.h"
#include "platform/system.h"
#include "platform/windows/event_messages.h"

namespace platform {

namespace {

bool Unable(DWORD error, char* problem, size_t problemSize) {
  snprintf(problem, problemSize, "Unable to write the run's event to the Application log (error %lu).",
           static_cast<unsigned long>(error));
  return false;
}

}  // namespace

bool HostSystem::WriteRunEvent(RunEvent event, const char* const* texts, size_t count, char* problem,
                               size_t problemSize) {
  // The insertion strings, one after another: each line feed becomes CR LF, as Event Viewer
  // parts lines only there.
  static wchar_t wide[32768];
  const wchar_t* strings[8];
  size_t used = 0;
  if (count > sizeof strings / sizeof strings[0]) return Unable(ERROR_INVALID_PARAMETER, problem, problemSize);
  for (size_t i = 0; i < count; ++i) {
    strings[i] = wide + used;
    for (const char* line = texts[i];;) {
      const char* end = line;
      while (*end != '\0' && *end != '\n') ++end;
      const int length = static_cast<int>(end - line);
      const int room = static_cast<int>(sizeof wide / sizeof wide[0] - used) - 3;
      const int made = length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, line, length, wide + used, room);
      if (room < 0 || (length > 0 && made == 0)) return Unable(ERROR_INSUFFICIENT_BUFFER, problem, problemSize);
      used += static_cast<size_t>(made);
      if (*end == '\0') break;
      wide[used++] = L'\r';
      wide[used++] = L'\n';
      line = end + 1;
    }
    wide[used++] = L'\0';
  }

  // Without the source registered the system still logs the event, under this name, with a note
  // that its description is missing: nothing here writes the registry.
  HANDLE source = RegisterEventSourceW(nullptr, L"QNPURGE");
  if (source == nullptr) return Unable(GetLastError(), problem, problemSize);
  const WORD type = event == RunEvent::kDone ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_ERROR_TYPE;
  const DWORD id = event == RunEvent::kDone     ? QNPURGE_RUN_DONE
                   : event == RunEvent::kFailed ? QNPURGE_RUN_FAILED
                                                : QNPURGE_COMMAND_LINE_REFUSED;
  const BOOL reported = fault::Fails(fault::Point::kReportEvent)
                            ? (SetLastError(ERROR_LOG_FILE_FULL), FALSE)
                            : ReportEventW(source, type, 0, id, nullptr, static_cast<WORD>(count), 0, strings, nullptr);
  const DWORD error = GetLastError();
  DeregisterEventSource(source);
  return reported ? true : Unable(error, problem, problemSize);
}

}  // namespace platform
