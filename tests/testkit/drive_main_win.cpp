// bx_drive.exe: runs a program under Wine for scripts such as scripts/demo.sh,
// where nobody is there to answer its message boxes.
//
//   bx_drive [--timeout SECONDS] [--screenshot NAME] [--answer ok|cancel|yes|no] [--page NAME] PROGRAM [ARGS...]
//
// Prints every message box the program shows (title and text), saves a
// screenshot of it when asked (NAME, NAME-2, ...), answers it (by default
// with its default button), and ends with the program's exit code. A program
// still running after the timeout (default 60 s) is killed: exit code 124.
// With --page, the first dialog that is not a message box (a wizard page) is
// printed with its caption, saved as screenshot NAME and cancelled.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "testkit/testkit.h"

namespace {

void Print(const std::wstring& text) {
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr, nullptr);
  fwrite(utf8.data(), 1, utf8.size(), stdout);
  fflush(stdout);
}

int AnswerId(const std::wstring& word) {
  if (word == L"ok") return IDOK;
  if (word == L"cancel") return IDCANCEL;
  if (word == L"yes") return IDYES;
  if (word == L"no") return IDNO;
  return 0;
}

constexpr int kCancelButton = 1003;  // the Cancel button of every wizard page

int DefaultButton(HWND box) {
  LRESULT id = SendMessageW(box, DM_GETDEFID, 0, 0);
  return HIWORD(id) == DC_HASDEFID ? LOWORD(id) : IDOK;
}

struct Options {
  DWORD timeout_ms = 60000;
  std::wstring screenshot;
  int answer = 0;  // 0: the box's default button
  std::wstring page_screenshot;
  std::wstring program;
  std::vector<std::wstring> arguments;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; i += 2) {
    std::wstring name = argv[i], value = argv[i + 1];
    if (name == L"--timeout") {
      options->timeout_ms = static_cast<DWORD>(_wtoi(value.c_str())) * 1000;
    } else if (name == L"--screenshot") {
      options->screenshot = value;
    } else if (name == L"--page") {
      options->page_screenshot = value;
    } else if (name == L"--answer" && AnswerId(value)) {
      options->answer = AnswerId(value);
    } else {
      return false;
    }
  }
  if (i >= argc) return false;
  options->program = argv[i];
  options->arguments.assign(argv + i + 1, argv + argc);
  return true;
}

// Prints, photographs and answers each message box once.
void HandleMessageBoxes(const testkit::Process& process, const Options& options, std::set<HWND>* seen) {
  for (HWND box : testkit::TopLevelWindows(process.id(), {.class_name = testkit::kDialogClass})) {
    if (seen->count(box) || !testkit::IsMessageBox(box)) continue;
    seen->insert(box);
    Print(L"message box \"" + testkit::WindowTitle(box) + L"\":\n" + testkit::MessageBoxText(box) + L"\n");
    if (!options.screenshot.empty()) {
      std::wstring name = options.screenshot + (seen->size() > 1 ? L"-" + std::to_wstring(seen->size()) : L"");
      if (testkit::Screenshot(name)) Print(L"screenshot: " + testkit::ScreenshotPath(name) + L"\n");
    }
    int answer = options.answer ? options.answer : DefaultButton(box);
    if (!testkit::AnswerMessageBox(box, answer)) Print(L"could not answer with button " + std::to_wstring(answer) + L"\n");
  }
}

// Photographs the first page once it has drawn itself, then cancels it.
void HandleFirstPage(const testkit::Process& process, const Options& options, bool* done) {
  if (*done || options.page_screenshot.empty()) return;
  for (HWND page : testkit::TopLevelWindows(process.id(), {.class_name = testkit::kDialogClass})) {
    if (testkit::IsMessageBox(page) || !testkit::FindControl(page, kCancelButton)) continue;
    *done = true;
    Sleep(500);  // the pictures and texts are painted after the window shows
    Print(L"page \"" + testkit::WindowTitle(page) + L"\"\n");
    if (testkit::Screenshot(options.page_screenshot)) {
      Print(L"screenshot: " + testkit::ScreenshotPath(options.page_screenshot) + L"\n");
    }
    if (!testkit::ClickButton(page, kCancelButton)) Print(L"could not cancel the page\n");
    return;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    Print(L"usage: bx_drive [--timeout SECONDS] [--screenshot NAME] [--answer ok|cancel|yes|no] [--page NAME] PROGRAM [ARGS...]\n");
    return 2;
  }
  testkit::Process process = testkit::Process::Start(options.program, testkit::JoinArguments(options.arguments));
  if (!process.started()) {
    Print(L"cannot start " + options.program + L": error " + std::to_wstring(process.error()) + L"\n");
    return 2;
  }
  std::set<HWND> seen;
  bool page_done = false;
  const ULONGLONG deadline = GetTickCount64() + options.timeout_ms;
  while (!process.WaitForExit(100)) {
    HandleFirstPage(process, options, &page_done);
    HandleMessageBoxes(process, options, &seen);
    if (GetTickCount64() >= deadline) {
      Print(L"still running after the timeout; windows:\n" + testkit::DescribeWindows(process.id()));
      process.Kill();
      return 124;
    }
  }
  return static_cast<int>(process.ExitCode());
}
