#include "core/message_pump_win.h"

#include <windows.h>

void PumpPendingMessages(int limit) {
  MSG message;
  for (int i = 0; i < limit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}
