#include "core/codepage.h"
#include "core/fatal.h"
#include "package/corrupt_report.h"
#include "package/message_box.h"
#include "setup/exit.h"
#include "setup/fatal_display.h"

namespace {

void FatalDisplay(const char16_t* message) {
  static bool shown = false;
  if (shown) return;
  shown = true;
  ShowFatalErrorBox(String(message));
  CommonExit(CorruptPackageReported() ? RunOutcome::kCorruptPackage : TheExitHooks().fatal_outcome);
}

// The core library's own reports (out of memory, internal errors) come as
// 8-bit text; without this they would go to a standard error stream that a
// windowed program does not have, and the run would end without a word.
void FatalDisplayNarrow(const char* message) { FatalDisplay(AnsiToUtf16(message).w_str()); }

}  // namespace

void RegisterFatalDisplay() {
  SetFatalMessageCallback(FatalDisplayNarrow);
  SetFatalMessageCallbackW(FatalDisplay);
}
