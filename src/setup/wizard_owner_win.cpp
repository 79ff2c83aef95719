#include "setup/wizard_owner_win.h"

#include "core/show_message_win.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "setup/exit.h"
#include "setup/run_state.h"
#include "wizard/background_window_win.h"

namespace {

HWND g_background = nullptr;

void DestroyWizardBackground() {
  if (!g_background) return;
  SetMessageOwner(nullptr);
  DestroyWindow(g_background);
  g_background = nullptr;
}

}  // namespace

void CreateWizardBackground() {
  if (g_background || Settings().Flag(product_flag::kNoBackgroundWindow)) return;
  g_background = CreateBackgroundWindow(nullptr, TheRun().args.minimized);
  if (!g_background) return;
  SetMessageOwner(g_background);
  TheExitHooks().destroy_background_window = DestroyWizardBackground;
}

void RefreshWizardBackground() {
  ProductSettings& settings = Settings();
  // Message 0 of the language the user has just chosen.
  if (!settings.Flag(product_flag::kNoMessageCaption)) settings.WizardCaption = Message(message_number::kWizardCaption);
  if (!settings.WizardCaption.empty()) TheRun().title = settings.WizardCaption;
  if (!g_background) return;
  // The pages that follow open over it: it must be drawn and in front now.
  ShowWindow(g_background, IsIconic(g_background) ? SW_SHOWMINNOACTIVE : SW_SHOW);
  InvalidateRect(g_background, nullptr, TRUE);
  UpdateWindow(g_background);
  SetForegroundWindow(g_background);
}

HWND WizardOwner() { return g_background; }
