// The key press after the usage text and the pause between postoffices on Windows.
#include <windows.h>
#include <conio.h>

#include <ctime>

#include "platform/fault.h"
#include "platform/system.h"

namespace platform {

void HostSystem::WaitForKeyPress() { _getch(); }

namespace {

// Waits on `handle`, which nothing signals, for `milliseconds` while dispatching window messages.
bool WaitPumpingMessages(HANDLE handle, uint32_t milliseconds) {
  // The C runtime's clock counts wall time on Windows, in CLOCKS_PER_SEC (1000) ticks.
  const clock_t start = clock();
  for (;;) {
    // Every wait is for the full time again, not the remainder: the time limit is checked only
    // between dispatched messages.
    const DWORD result = fault::Fails(fault::Point::kPause)
                             ? WAIT_FAILED
                             : MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0 || result == WAIT_TIMEOUT) return true;
    if (result != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
      if (static_cast<int32_t>(clock() - start) >= static_cast<int32_t>(milliseconds)) return true;
    }
  }
}

}  // namespace

bool HostSystem::Pause(uint32_t milliseconds) {
  HANDLE event = fault::Fails(fault::Point::kPauseEvent) ? nullptr : CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) return false;
  const bool paused = WaitPumpingMessages(event, milliseconds);
  CloseHandle(event);
  return paused;
}

}  // namespace platform
