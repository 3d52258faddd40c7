// The run's event on POSIX: one syslog(3) message.
#include <syslog.h>

#include <cstdio>

#include "platform/system.h"

namespace platform {

bool HostSystem::WriteRunEvent(RunEvent event, const char* const* texts, size_t count, char*, size_t) {
  // Texts and line feeds are handed to syslog as arguments, never as its format: a '%' in a
  // command line is text.
  char message[32768];
  size_t used = 0;
  for (size_t i = 0; i < count && used < sizeof message; ++i) {
    const int written = snprintf(message + used, sizeof message - used, "%s%s", i == 0 ? "" : "\n", texts[i]);
    if (written < 0) break;
    used += static_cast<size_t>(written);
  }
  openlog("qnpurge", LOG_PID, LOG_USER);
  syslog(event == RunEvent::kDone ? LOG_INFO : LOG_ERR, "%s", message);
  closelog();
  return true;
}

}  // namespace platform
