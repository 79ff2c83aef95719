// Finding and driving the windows of a program under test from outside, the
// way a user would: by window class and title, control ids, button clicks and
// typed text. Messages go through the system, so these work across processes.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "testkit/wait.h"

namespace testkit {

// Window class of dialogs and message boxes.
inline constexpr wchar_t kDialogClass[] = L"#32770";

// What a top-level window must match; an empty field matches anything.
struct WindowQuery {
  std::wstring class_name;
  std::wstring title;
  bool visible_only = true;
};

// Top-level windows of a process that match, front to back.
std::vector<HWND> TopLevelWindows(DWORD process_id, const WindowQuery& query = {});

// The front-most matching window, or null after `timeout_ms`.
HWND WaitForWindow(DWORD process_id, const WindowQuery& query, DWORD timeout_ms = kDefaultTimeoutMs);

// Waits until `window` is destroyed or hidden; false after `timeout_ms`.
bool WaitForWindowGone(HWND window, DWORD timeout_ms = kDefaultTimeoutMs);

std::wstring WindowTitle(HWND window);
std::wstring WindowClass(HWND window);

// A control anywhere below `parent` (pages may be dialogs inside dialogs), or null.
HWND FindControl(HWND parent, int id);

// The text of control `id` below `dialog` (an edit control's contents, a
// button's caption); empty when there is no such control.
std::wstring ControlText(HWND dialog, int id);

struct Control {
  HWND window;
  int id;
  std::wstring class_name;
  std::wstring text;
  bool visible;
  bool enabled;
};

// Every control below `parent`, in creation order.
std::vector<Control> ChildControls(HWND parent);

// Whether `window` looks like a system message box: a dialog whose text sits
// in static 0xFFFF and whose buttons are all standard answers.
bool IsMessageBox(HWND window);

// The message of a message box.
std::wstring MessageBoxText(HWND box);

// Presses button `id` as a user would; fails when the button is missing,
// hidden or disabled. Posted, so a button that opens another modal window
// does not block the test.
testing::AssertionResult ClickButton(HWND dialog, int id);

// Answers a message box with IDOK, IDCANCEL, IDYES, IDNO, ...
testing::AssertionResult AnswerMessageBox(HWND box, int answer);

// Replaces the text of control `id` (an edit control) and checks it took.
testing::AssertionResult SetControlText(HWND dialog, int id, std::wstring_view text);

// Clicks check box or radio button `id` until it shows `checked`; the dialog
// sees the click as it would a user's.
testing::AssertionResult SetCheck(HWND dialog, int id, bool checked = true);
bool IsChecked(HWND dialog, int id);

// One line per top-level window of the process, for failure messages.
std::wstring DescribeWindows(DWORD process_id);
// One line per control below `parent`, for failure messages.
std::wstring DescribeControls(HWND parent);

}  // namespace testkit
