// The progress page: modeless, open while the files and actions go in, and
// the one place long-running work reports to. One per process.
#include "package/message_numbers.h"
#include "wizard/background_layout.h"
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

constexpr DWORD kStatusWaitStep = 50;

struct ProgressPage {
  HWND page = nullptr;
  ProgressPageInputs inputs;
  PageFrame frame;
  DWORD status_changed = 0;  // tick count of the last status change
};

ProgressPage& TheProgressPage() {
  static ProgressPage progress_page;
  return progress_page;
}

// Lets the page and the windows behind it answer while work goes on.
void PumpMessages() {
  HWND page = TheProgressPage().page;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (page && IsDialogMessageW(page, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Whether `text` wraps within the control's box, in the control's font.
bool FitsIn(HWND control, const String& text) {
  RECT box{};
  GetClientRect(control, &box);
  RECT needed = box;
  HDC dc = GetDC(control);
  if (!dc) return true;
  HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.w_str()), -1, &needed,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  SelectObject(dc, old_font);
  ReleaseDC(control, dc);
  return needed.bottom - needed.top <= box.bottom - box.top && needed.right - needed.left <= box.right - box.left;
}

// The product's name, `units` of it, then an ellipsis.
String ShortenedName(const String& name, int32_t units) {
  if (units > 0 && units < name.wlength() && IS_HIGH_SURROGATE(name.AtW(units - 1))) --units;
  String shortened(name.w_str(), units);
  while (shortened.wlength() > 0 && shortened.AtW(shortened.wlength() - 1) == u' ') {
    shortened.TruncateAtW(shortened.wlength() - 1);
  }
  shortened.AppendW(u'\u2026');
  return shortened;
}

// A long product name would push the end of the page's text out of its box:
// the name is shortened with an ellipsis, as little as makes the text fit.
void SetFittedMessage(HWND page, int id, int32_t message, const LanguageTable& languages) {
  HWND control = GetDlgItem(page, id);
  String text = MessageText(languages, message);
  if (control && !FitsIn(control, text) && !languages.product.empty()) {
    LanguageTable shortened = languages;
    for (int32_t units = languages.product.wlength() - 1; units > 0; --units) {
      shortened.product = ShortenedName(languages.product, units);
      text = MessageText(shortened, message);
      if (FitsIn(control, text)) break;
    }
  }
  SetPageText(page, id, text);
}

void InitProgressPage(HWND page, void* context) {
  const auto& inputs = static_cast<const ProgressPage*>(context)->inputs;
  SetFittedMessage(page, kText, inputs.uninstalling ? message_number::kUninstallProgressText : message_number::kProgressText,
                   inputs.product->languages);
  SetButtonMessage(page, kCancel, message_number::kCancelButton);
  SendDlgItemMessageW(page, kProgressBar, PBM_SETRANGE32, 0, 100);
  EnableWindow(GetDlgItem(page, kCancel), !inputs.uninstalling && !inputs.product->settings.Flag(product_flag::kNoCancel));
}

void AskCancel(HWND page, const ProgressPageInputs& inputs) {
  if (!IsWindowEnabled(GetDlgItem(page, kCancel))) return;
  const String text = MessageText(inputs.product->languages, message_number::kCancelQuestion);
  const String title = MessageText(inputs.product->languages, message_number::kRestartTitle);
  const int answer = MessageBoxW(page, reinterpret_cast<const wchar_t*>(text.w_str()),
                                 reinterpret_cast<const wchar_t*>(title.w_str()), MB_YESNO | MB_ICONQUESTION);
  if (answer == IDYES && inputs.cancel_exit) inputs.cancel_exit();
}

bool ProgressCommand(HWND page, int id, int, void* context) {
  if (id != kCancel && id != IDCANCEL) return id == kNext;  // a modeless page never ends itself
  AskCancel(page, static_cast<const ProgressPage*>(context)->inputs);
  return true;
}

bool ProgressMessage(HWND page, UINT message, WPARAM, LPARAM, INT_PTR* result, void*) {
  // Logging off in the middle of an installation would leave it half done.
  if (message != WM_QUERYENDSESSION) return false;
  SetWindowLongPtrW(page, DWLP_MSGRESULT, FALSE);
  *result = TRUE;
  return true;
}

void ReportPosition(void*, int32_t percent) {
  HWND page = TheProgressPage().page;
  if (!page) return;
  SendDlgItemMessageW(page, kProgressBar, PBM_SETPOS, percent < 0 ? 0 : percent > 100 ? 100 : percent, 0);
  PumpMessages();
}

void ReportStatus(void*, const String& text) {
  ProgressPage& progress_page = TheProgressPage();
  if (!progress_page.page || text.empty()) return;
  SetPageText(progress_page.page, kStatus, text);
  progress_page.status_changed = GetTickCount();
  PumpMessages();
}

void WaitStatusTime(void*) {
  const ProgressPage& progress_page = TheProgressPage();
  if (!progress_page.page || progress_page.inputs.automatic) return;
  const DWORD minimum = progress_page.inputs.product->settings.MinStatusTime;
  while (GetTickCount() - progress_page.status_changed < minimum) {
    PumpMessages();
    Sleep(kStatusWaitStep);
  }
}

// The page goes where the product's placement code puts it: over the
// background window it belongs to, or over the work area when there is none
// or the background is maximised over the whole screen.
void PlaceProgressPage(HWND page, HWND owner, const ProgressPageInputs& inputs) {
  RECT area{};
  const bool over_owner = owner && !inputs.title_position_companion &&
                          GetWindowRect(owner, &area) && area.right > area.left + 1;
  if (!over_owner && !SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return;
  RECT window{};
  GetWindowRect(page, &window);
  RECT margin{0, 0, 4, 4};
  MapDialogRect(page, &margin);
  int32_t x = 0;
  int32_t y = 0;
  PlaceWindow(Box{area.left, area.top, area.right, area.bottom}, inputs.product->settings.ProgressPlacement,
              window.right - window.left, window.bottom - window.top, margin.right, x, y);
  SetWindowPos(page, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

bool OpenProgressPage(HWND owner, const ProgressPageInputs& inputs) {
  ProgressPage& progress_page = TheProgressPage();
  if (progress_page.page) return true;
  progress_page.inputs = inputs;
  PageHandlers handlers;
  handlers.init = InitProgressPage;
  handlers.command = ProgressCommand;
  handlers.message = ProgressMessage;
  progress_page.frame = StyledPage(*inputs.product, u"Progress", kStyleProgress, inputs.uninstalling ? message_number::kUninstallTitle : message_number::kInstalling, handlers,
                                   &progress_page);
  progress_page.page = OpenModelessPage(owner, progress_page.frame);
  if (!progress_page.page) return false;
  progress_page.status_changed = GetTickCount();
  PlaceProgressPage(progress_page.page, owner, progress_page.inputs);
  ShowWindow(progress_page.page, SW_SHOWNORMAL);
  UpdateWindow(progress_page.page);
  PumpMessages();
  return true;
}

void CloseProgressPage() {
  ProgressPage& progress_page = TheProgressPage();
  if (!progress_page.page) return;
  DestroyWindow(progress_page.page);
  progress_page.page = nullptr;
}

HWND ProgressPageWindow() { return TheProgressPage().page; }

Progress ProgressPageReporter() {
  Progress progress;
  progress.position = ReportPosition;
  progress.status = ReportStatus;
  progress.wait_minimum_status_time = WaitStatusTime;
  return progress;
}
