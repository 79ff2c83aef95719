#include "core/close_applications_win.h"

#include "core/handle_win.h"
#include "core/show_message_win.h"
#include "core/silent_mode.h"
#include "core/value_vector.h"

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  reinterpret_cast<ValueVector<HWND>*>(context)->Add(window);
  return TRUE;
}

// For another process's window these read what the system keeps; the window
// itself is not asked, so a hung program cannot stop the walk.
String WindowTitle(HWND window) {
  wchar_t text[512];
  const int units = GetWindowTextW(window, text, 512);
  return String(reinterpret_cast<const char16_t*>(text), units > 0 ? units : 0);
}

String WindowClass(HWND window) {
  wchar_t name[256];
  const int units = GetClassNameW(window, name, 256);
  return String(reinterpret_cast<const char16_t*>(name), units > 0 ? units : 0);
}

DWORD WindowProcess(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

// Brings the window up as a user would before closing it, so that a program
// that asks to save its work shows the question where it can be seen. The
// asynchronous forms do not wait for the window's own thread.
void PostToFront(HWND window, UINT message) {
  if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
  SetForegroundWindow(window);
  ShowWindowAsync(window, SW_SHOW);
  PostMessageW(window, message, 0, 0);
}

void TerminateOwner(HWND window) {
  // Terminating is all that is needed, and is granted more often than full access.
  KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, WindowProcess(window)));
  if (process) TerminateProcess(process.get(), 0);
}

// Asks until the window is gone; false when the user cancels.
bool AskUntilClosed(HWND window, const WindowRule& rule, const CloseQuestion& question) {
  const String text = CloseQuestionText(question.text, rule.program);
  while (IsWindow(window)) {
    const int answer = ShowMessage(question.owner, text.w_str(), question.caption.w_str(),
                                   MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    if (answer != IDRETRY) return false;
  }
  return true;
}

}  // namespace

CloseOutcome CloseApplications(const Vector<WindowRule>& rules, uint32_t phases, const CloseQuestion& question) {
  if (rules.IsEmpty()) return CloseOutcome::kDone;
  ValueVector<HWND> windows;
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
  const DWORD own_process = GetCurrentProcessId();
  for (HWND window : windows) {
    if (!IsWindow(window) || WindowProcess(window) == own_process) continue;
    const int32_t index = FindWindowRule(rules, phases, WindowTitle(window), WindowClass(window));
    if (index < 0) continue;
    switch (CloseStepFor(rules[index].action, SilentMode())) {
      case CloseStep::kPostClose:
        PostToFront(window, WM_CLOSE);
        break;
      case CloseStep::kPostQuit:
        PostToFront(window, WM_QUIT);
        break;
      case CloseStep::kAskUser:
        if (!AskUntilClosed(window, rules[index], question)) return CloseOutcome::kCancelled;
        break;
      case CloseStep::kTerminate:
        TerminateOwner(window);
        break;
      case CloseStep::kNothing:
        break;
    }
  }
  return CloseOutcome::kDone;
}
