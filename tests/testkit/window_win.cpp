#include "testkit/window.h"

#include <cstdio>
#include <string>

namespace testkit {
namespace {

// The window's thread may be busy for many seconds on a loaded machine, so the
// test waits for its answer within the one bound. Not SMTO_ABORTIFHUNG: the
// system calls a thread hung when it has read no message for 5 s, which a
// dialog that has just appeared and not yet entered its message loop is, and
// its texts would then read as empty.
LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, kHangTimeoutMs, &result)) return 0;
  return static_cast<LRESULT>(result);
}

// Message boxes store the id of their text as the 16-bit 0xFFFF.
bool IsMessageBoxTextId(int id) { return (id & 0xFFFF) == 0xFFFF; }

bool IsStandardAnswer(int id) { return id >= IDOK && id <= IDCONTINUE; }

// The enumeration callbacks must be stdcall, which a lambda cannot be on x86.
template <typename Visit>
BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
  (*reinterpret_cast<Visit*>(context))(window);
  return TRUE;
}

template <typename Visit>
void ForEachDescendant(HWND parent, Visit visit) {
  EnumChildWindows(parent, VisitWindow<Visit>, reinterpret_cast<LPARAM>(&visit));
}

template <typename Visit>
void ForEachTopLevel(Visit visit) {
  EnumWindows(VisitWindow<Visit>, reinterpret_cast<LPARAM>(&visit));
}

std::wstring Describe(HWND window) {
  wchar_t handle[32];
  swprintf(handle, 32, L"%p", static_cast<void*>(window));
  return std::wstring(handle) + L" class \"" + WindowClass(window) + L"\" text \"" + WindowTitle(window) + L"\"" +
         (IsWindowVisible(window) ? L"" : L" hidden") + (IsWindowEnabled(window) ? L"" : L" disabled");
}

// The button as a user could reach it, or why not.
testing::AssertionResult ClickableControl(HWND dialog, int id, HWND* control) {
  *control = FindControl(dialog, id);
  if (!*control) {
    return testing::AssertionFailure() << "no control " << id << " in \"" << WindowTitle(dialog) << "\"; controls:\n"
                                       << DescribeControls(dialog);
  }
  if (!IsWindowVisible(*control) || !IsWindowEnabled(*control)) {
    return testing::AssertionFailure() << "control " << id << " cannot be clicked: " << Describe(*control);
  }
  return testing::AssertionSuccess();
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD process_id, const WindowQuery& query) {
  std::vector<HWND> found;
  ForEachTopLevel([&](HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != process_id) return;
    if (query.visible_only && !IsWindowVisible(window)) return;
    if (!query.class_name.empty() && WindowClass(window) != query.class_name) return;
    if (!query.title.empty() && WindowTitle(window) != query.title) return;
    found.push_back(window);
  });
  return found;
}

HWND WaitForWindow(DWORD process_id, const WindowQuery& query, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        std::vector<HWND> windows = TopLevelWindows(process_id, query);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
      },
      timeout_ms);
  return found;
}

bool WaitForWindowGone(HWND window, DWORD timeout_ms) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout_ms);
}

std::wstring WindowTitle(HWND window) {
  // WM_GETTEXT rather than GetWindowText: across processes only the message
  // returns what a control shows (an edit control's contents, for one).
  LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied = SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

std::wstring WindowClass(HWND window) {
  wchar_t name[256];
  int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

HWND FindControl(HWND parent, int id) {
  if (HWND direct = GetDlgItem(parent, id)) return direct;
  HWND found = nullptr;
  ForEachDescendant(parent, [&](HWND child) {
    if (!found && GetDlgCtrlID(child) == id) found = child;
  });
  return found;
}

std::wstring ControlText(HWND dialog, int id) {
  HWND control = FindControl(dialog, id);
  return control ? WindowTitle(control) : std::wstring();
}

std::vector<Control> ChildControls(HWND parent) {
  std::vector<Control> controls;
  ForEachDescendant(parent, [&](HWND child) {
    controls.push_back({child, GetDlgCtrlID(child), WindowClass(child), WindowTitle(child),
                        IsWindowVisible(child) != FALSE, IsWindowEnabled(child) != FALSE});
  });
  return controls;
}

bool IsMessageBox(HWND window) {
  if (WindowClass(window) != kDialogClass) return false;
  bool has_text = false, has_button = false, only_answers = true;
  for (const Control& control : ChildControls(window)) {
    if (_wcsicmp(control.class_name.c_str(), L"Static") == 0 && IsMessageBoxTextId(control.id)) has_text = true;
    if (_wcsicmp(control.class_name.c_str(), L"Button") == 0) {
      has_button = true;
      only_answers = only_answers && IsStandardAnswer(control.id);
    }
  }
  return has_text && has_button && only_answers;
}

std::wstring MessageBoxText(HWND box) {
  for (const Control& control : ChildControls(box)) {
    if (_wcsicmp(control.class_name.c_str(), L"Static") == 0 && IsMessageBoxTextId(control.id)) return control.text;
  }
  return {};
}

testing::AssertionResult ClickButton(HWND dialog, int id) {
  HWND button = nullptr;
  testing::AssertionResult reachable = ClickableControl(dialog, id, &button);
  if (!reachable) return reachable;
  if (!PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button))) {
    return testing::AssertionFailure() << "posting the click failed, error " << GetLastError();
  }
  return testing::AssertionSuccess();
}

testing::AssertionResult AnswerMessageBox(HWND box, int answer) {
  if (!IsMessageBox(box)) {
    return testing::AssertionFailure() << "not a message box: " << Describe(box) << "\n" << DescribeControls(box);
  }
  return ClickButton(box, answer);
}

testing::AssertionResult SetControlText(HWND dialog, int id, std::wstring_view text) {
  HWND control = FindControl(dialog, id);
  if (!control) return testing::AssertionFailure() << "no control " << id << "; controls:\n" << DescribeControls(dialog);
  std::wstring value(text);
  SendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
  std::wstring shown = WindowTitle(control);
  if (shown != value) return testing::AssertionFailure() << "control " << id << " shows \"" << shown << "\"";
  return testing::AssertionSuccess();
}

bool IsChecked(HWND dialog, int id) {
  HWND control = FindControl(dialog, id);
  return control && SendWithTimeout(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

testing::AssertionResult SetCheck(HWND dialog, int id, bool checked) {
  HWND control = nullptr;
  testing::AssertionResult reachable = ClickableControl(dialog, id, &control);
  if (!reachable) return reachable;
  // A three-state box may need two clicks. Each click is awaited until the box
  // shows it, so that a slow dialog is never clicked twice for one change; a
  // box that never changes is an error.
  for (int click = 0; click < 3 && IsChecked(dialog, id) != checked; ++click) {
    const LRESULT before = SendWithTimeout(control, BM_GETCHECK, 0, 0);
    PostMessageW(control, BM_CLICK, 0, 0);
    if (!WaitUntil([&] { return !IsWindow(control) || SendWithTimeout(control, BM_GETCHECK, 0, 0) != before; })) {
      return GaveUpWaiting("control " + std::to_string(id) + " to show a click");
    }
  }
  if (IsChecked(dialog, id) != checked) {
    return testing::AssertionFailure() << "control " << id << " stays " << (checked ? "unchecked" : "checked");
  }
  return testing::AssertionSuccess();
}

std::wstring DescribeWindows(DWORD process_id) {
  std::wstring lines;
  for (HWND window : TopLevelWindows(process_id, {.visible_only = false})) lines += Describe(window) + L"\n";
  return lines.empty() ? L"(no windows)\n" : lines;
}

std::wstring DescribeControls(HWND parent) {
  std::wstring lines;
  for (const Control& control : ChildControls(parent)) {
    lines += L"  id " + std::to_wstring(control.id) + L": " + Describe(control.window) + L"\n";
  }
  return lines.empty() ? L"  (no controls)\n" : lines;
}

}  // namespace testkit
