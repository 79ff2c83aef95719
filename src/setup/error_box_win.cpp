#include <windows.h>

#include "core/fatal.h"
#include "package/settings_state.h"
#include "setup/error_box.h"
#include "setup/exit.h"
#include "setup/run_state.h"

namespace {

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

void ShowBox(const String& text) {
  const String title = ErrorTitle();
  MessageBoxW(nullptr, Wide(text), Wide(title), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void FatalDisplay(const char16_t* message) {
  static bool shown = false;
  if (shown) return;
  shown = true;
  if (!TheRun().args.silent) ShowBox(String(message));
  CommonExit(1);
}

}  // namespace

void RegisterFatalDisplay() { SetFatalMessageCallbackW(FatalDisplay); }

void ShowErrorBox(const String& text) {
  if (text.empty()) return;
  const CommandLine& args = TheRun().args;
  if (args.silent) return;
  // Errors in automatic mode are shown only when the package asks for it.
  if (args.automatic && !Settings().Flag(product_flag::kErrorBoxesWhenAutomatic)) return;
  ShowBox(text);
}
