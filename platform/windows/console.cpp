// The key press after the usage text and the pause between postoffices on Windows.
#include <windows.h>
#include <conio.h>

#include <ctime>

#include "platform/console.h"
#include "platform/fault.h"
#include "platform/pause.h"

namespace platform {

void WaitForKeyPress() { _getch(); }

PauseEvent CreatePauseEvent() {
  if (fault::Fails(fault::Point::kPauseEvent)) return nullptr;
  return reinterpret_cast<PauseEvent>(CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

void ClosePauseEvent(PauseEvent event) {
  if (event != nullptr) CloseHandle(reinterpret_cast<HANDLE>(event));
}

bool WaitPumpingMessages(PauseEvent event, uint32_t milliseconds) {
  if (event == nullptr) return false;
  HANDLE handle = reinterpret_cast<HANDLE>(event);
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

}  // namespace platform
