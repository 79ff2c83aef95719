// testkit_child.exe: a small program for the testkit's own tests, standing in
// for setup.exe. The first argument chooses what it does:
//   exit N                      ends with exit code N
//   msgbox ok|yesno TITLE TEXT  shows a message box; the answer is the exit code
//   dialog                      runs the probe dialog (see child.rc): OK shows
//                               "name=<text>;agree=<0|1>" and ends with 10 + agree;
//                               it keeps the number of a WM_PROBE_MARK it handled
//   report FILE NAME [ARGS...]  writes the working folder, variable NAME and the
//                               ARGS to FILE (UTF-16, one per line), exit code 0
//   sleep                       waits for ever
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "testkit/child_ids.h"

namespace {

INT_PTR CALLBACK ProbeDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_PROBE_MARK) {
    SetWindowLongPtrW(dialog, GWLP_USERDATA, static_cast<LONG_PTR>(wparam));
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wparam)) {
    case IDOK: {
      wchar_t name[256] = L"";
      GetDlgItemTextW(dialog, IDC_PROBE_NAME, name, 256);
      bool agree = IsDlgButtonChecked(dialog, IDC_PROBE_AGREE) == BST_CHECKED;
      std::wstring result = std::wstring(L"name=") + name + L";agree=" + (agree ? L"1" : L"0");
      MessageBoxW(dialog, result.c_str(), L"Probe result", MB_OK);
      EndDialog(dialog, 10 + agree);
      return TRUE;
    }
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case IDC_PROBE_NEVER:  // disabled: a click that gets here was not a user's
      EndDialog(dialog, 99);
      return TRUE;
  }
  return FALSE;
}

int Report(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  std::wstring text;
  wchar_t folder[MAX_PATH];
  text += std::wstring(folder, GetCurrentDirectoryW(MAX_PATH, folder)) + L"\n";
  wchar_t value[1024];
  DWORD length = GetEnvironmentVariableW(argv[3], value, 1024);
  text += (length ? std::wstring(value, length) : L"(unset)") + L"\n";
  for (int i = 4; i < argc; ++i) text += std::wstring(argv[i]) + L"\n";
  HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::wstring mode = argv[1];
  if (mode == L"exit" && argc == 3) return _wtoi(argv[2]);
  if (mode == L"msgbox" && argc == 5) {
    UINT style = std::wstring(argv[2]) == L"yesno" ? MB_YESNO : MB_OK;
    return MessageBoxW(nullptr, argv[4], argv[3], style);
  }
  if (mode == L"dialog") return static_cast<int>(DialogBoxW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROBE), nullptr, ProbeDialog));
  if (mode == L"report") return Report(argc, argv);
  if (mode == L"sleep") {
    Sleep(INFINITE);
    return 0;
  }
  return 2;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  int code = argv ? Run(argc, argv) : 2;
  LocalFree(argv);
  return code;
}
