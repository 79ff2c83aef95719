#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/settings.h"
#include "setup/exit.h"
#include "setup/wizard_owner_win.h"

namespace {

// What the background window went through, in order.
std::vector<std::string> g_events;
WNDPROC g_window_proc = nullptr;

LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SIZE && wparam == SIZE_MINIMIZED) g_events.push_back("minimised");
  if (message == WM_DESTROY) g_events.push_back(IsIconic(window) ? "destroyed minimised" : "destroyed");
  return CallWindowProcW(g_window_proc, window, message, wparam, lparam);
}

// The way out takes the background window down to the taskbar before it
// destroys it, and the pages and boxes after it have no owner left.
TEST(WizardBackground, TheExitMinimisesThenDestroysIt) {
  ProductSettings settings;
  BackgroundWindowState state = BackgroundWindowStateOf(settings);
  CreateWizardBackground(state);
  HWND background = WizardOwner();
  ASSERT_NE(background, nullptr);
  ASSERT_TRUE(IsWindowVisible(background));
  ASSERT_FALSE(IsIconic(background));
  g_window_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(background, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Watch)));
  ASSERT_NE(TheExitHooks().destroy_background_window, nullptr);

  TheExitHooks().destroy_background_window();
  EXPECT_EQ(g_events, (std::vector<std::string>{"minimised", "destroyed minimised"}));
  EXPECT_FALSE(IsWindow(background));
  EXPECT_EQ(WizardOwner(), nullptr);
}

}  // namespace
