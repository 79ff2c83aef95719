#include "setup/wizard_owner_win.h"

#include "core/show_message_win.h"
#include "package/message_numbers.h"
#include "setup/exit.h"
#include "setup/run_state.h"
#include "wizard/background_window_win.h"

namespace {

HWND g_background = nullptr;

void DestroyWizardBackground() {
  if (!g_background) return;
  SetMessageOwner(nullptr);
  // Down to the taskbar first, so that it does not flash over whatever the
  // user had behind it while it is torn down.
  ShowWindow(g_background, SW_MINIMIZE);
  DestroyWindow(g_background);
  g_background = nullptr;
}

}  // namespace

void CreateWizardBackground(BackgroundWindowState& state) {
  if (g_background || state.settings->Flag(product_flag::kNoBackgroundWindow)) return;
  g_background = CreateBackgroundWindow(nullptr, TheRun().args.minimized, state);
  if (!g_background) return;
  SetMessageOwner(g_background);
  TheExitHooks().destroy_background_window = DestroyWizardBackground;
}

void RefreshWizardBackground(const RunProduct& product) {
  const ProductSettings& settings = product.settings;
  // Message 0 of the language the user has just chosen.
  const String caption = settings.Flag(product_flag::kNoMessageCaption)
                             ? settings.WizardCaption
                             : MessageText(product.languages, message_number::kWizardCaption);
  if (!caption.empty()) TheRun().title = caption;
  if (!g_background) return;
  // The pages that follow open over it: it must be drawn and in front now.
  ShowWindow(g_background, IsIconic(g_background) ? SW_SHOWMINNOACTIVE : SW_SHOW);
  InvalidateRect(g_background, nullptr, TRUE);
  UpdateWindow(g_background);
  SetForegroundWindow(g_background);
}

HWND WizardOwner() { return g_background; }
