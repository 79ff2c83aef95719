#include "crash/crash_handler_win.h"

#include <windows.h>

#include "core/codepage.h"
#include "core/environment.h"
#include "core/format.h"
#include "core/silent_mode.h"
#include "crash/crash_facts_win.h"
#include "crash/crash_post.h"
#include "crash/crash_report.h"
#include "net/http_get.h"
#include "resources/crash_dialog_ids.h"

#ifndef BX_CRASH_REPORT_URL
#define BX_CRASH_REPORT_URL ""
#endif
#ifndef BX_CRASH_SENDER
#define BX_CRASH_SENDER ""
#endif

namespace {

constexpr char kCompanyName[] = "Bastionix Software";

struct CrashSettings {
  String program_name{"Bastionix Setup"};
  CrashReportWriter writer = nullptr;
  String report_address{u"" BX_CRASH_REPORT_URL};
  String sender{BX_CRASH_SENDER};
};

CrashSettings& CrashReportSetup() {
  static CrashSettings settings;
  return settings;
}

struct DialogInput {
  const String* report;
  String* email;
  String* comments;
};

String ControlText(HWND dialog, int id) {
  const int length = GetWindowTextLengthA(GetDlgItem(dialog, id));
  String text;
  if (length <= 0) return text;
  text.SetLength(length + 1);
  const int copied = GetDlgItemTextA(dialog, id, reinterpret_cast<char*>(text.data()), length + 1);
  text.SetLength(copied > 0 ? copied : 0);
  return text;
}

// Puts the report box's text on the clipboard as plain 8-bit text.
void CopyReport(HWND dialog) {
  const String text = ControlText(dialog, IDC_CRASH_REPORT);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(text.length()) + 1);
  if (!memory) return;
  if (void* target = GlobalLock(memory)) {
    CopyMemory(target, text.c_str(), static_cast<SIZE_T>(text.length()) + 1);
    GlobalUnlock(memory);
  }
  // Another program may hold the clipboard for a moment (a clipboard viewer).
  bool opened = false;
  for (int attempt = 0; attempt < 20 && !(opened = OpenClipboard(dialog)); ++attempt) Sleep(50);
  if (!opened) {
    GlobalFree(memory);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);  // on success the clipboard owns it
  CloseClipboard();
}

void InitDialog(HWND dialog, const DialogInput& input) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&input));
  const String text = Format(
      "We apologize for the inconvenience, but the program has performed an illegal operation and must close.  "
      "Please report this problem to %s by clicking the \"Inform Us\" button below.",
      kCompanyName);
  SetDlgItemTextA(dialog, IDC_CRASH_TEXT, text.c_str());
  SetDlgItemTextA(dialog, IDC_CRASH_REPORT, input.report->c_str());
  // Offered only when the report can go somewhere: a button that sends
  // nothing would tell the user it was sent.
  const CrashSettings& settings = CrashReportSetup();
  EnableWindow(GetDlgItem(dialog, IDC_CRASH_INFORM), !settings.sender.empty() && !settings.report_address.empty());
}

INT_PTR CALLBACK CrashDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    InitDialog(dialog, *reinterpret_cast<const DialogInput*>(lparam));
    // The e-mail box, not the report, takes the focus: the report then shows
    // from its first line, unselected.
    SetFocus(GetDlgItem(dialog, IDC_CRASH_EMAIL));
    return FALSE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wparam)) {
    case IDC_CRASH_COPY:
      CopyReport(dialog);
      return TRUE;
    case IDC_CRASH_INFORM: {
      const auto* input = reinterpret_cast<const DialogInput*>(GetWindowLongPtrW(dialog, DWLP_USER));
      *input->email = ControlText(dialog, IDC_CRASH_EMAIL);
      *input->comments = ControlText(dialog, IDC_CRASH_COMMENTS);
      EndDialog(dialog, TRUE);
      return TRUE;
    }
    case IDCANCEL:
      EndDialog(dialog, FALSE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void InstallCrashHandler(const char* program_name, CrashReportWriter writer) {
  CrashReportSetup().program_name = program_name;
  CrashReportSetup().writer = writer;
  InstallExceptionFilter(&HandleCrash);
}

void SetCrashReportAddresses(const String& report_address, const String& sender) {
  CrashReportSetup().report_address = report_address;
  CrashReportSetup().sender = sender;
}

bool ShowCrashDialog(const String& report, String& email, String& comments) {
  DialogInput input{&report, &email, &comments};
  return DialogBoxParamW(GetModuleHandleW(nullptr), L"ExceptionDlg", nullptr, &CrashDialogProc,
                         reinterpret_cast<LPARAM>(&input)) == TRUE;
}

void SendCrashReport(const String& report, const String& email, const String& comments) {
  const CrashSettings& settings = CrashReportSetup();
  if (settings.report_address.empty()) return;
  const CrashPost post = BuildCrashPost(report, email, comments, Utf16ToAnsi(ProgramFileName()));
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  // The outcome is not checked: the user gets no confirmation either way.
  HttpPostAndDiscard(settings.report_address, kReportFormContentType, EncodeCrashForm(settings.sender, post));
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool HandleCrash(const CrashRecord& record) {
  const CrashSettings& settings = CrashReportSetup();
  const String program = Format("%s %s %s", settings.program_name.c_str(), kReportProgramVersion, kReportEdition);
  const String report = BuildCrashReport(GatherCrashFacts(record, program));
  if (settings.writer) settings.writer(report);
  // A hidden modal dialog would hold an unattended run for ever.
  if (SilentMode()) return true;
  String email, comments;
  if (!ShowCrashDialog(report, email, comments)) return false;
  SendCrashReport(report, email, comments);
  return true;
}
