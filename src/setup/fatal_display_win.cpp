#include "core/fatal.h"
#include "package/message_box.h"
#include "setup/exit.h"
#include "setup/fatal_display.h"

namespace {

void FatalDisplay(const char16_t* message) {
  static bool shown = false;
  if (shown) return;
  shown = true;
  ShowFatalErrorBox(String(message));
  CommonExit(1);
}

}  // namespace

void RegisterFatalDisplay() { SetFatalMessageCallbackW(FatalDisplay); }
