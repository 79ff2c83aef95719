// The licence and readme pages: one text, RTF or plain, in a read-only rich
// edit control.
#include <windows.h>
#include <richedit.h>

#include "package/message_numbers.h"
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

struct TextPage {
  TextPageKind kind;
  const String* text;
};

bool IsRtf(const String& text) { return text.StartsWithW(u"{\\rtf"); }

void ShowText(HWND page, HWND view, const String& text) {
  if (!IsRtf(text)) {
    // A plain text names the product as the messages do; RTF is shown as
    // written, since its own markup may hold the same brackets.
    const String shown = ReplacePlaceholders(text, PageProduct(page).languages);
    SetWindowTextW(view, reinterpret_cast<const wchar_t*>(shown.w_str()));
    return;
  }
  // RTF is 7-bit text with its own escapes: the control reads it as such.
  String narrow;
  narrow.SetLengthExact(text.wlength());
  for (int32_t i = 0; i < text.wlength(); ++i) {
    const char16_t unit = text.AtW(i);
    narrow.At(i) = static_cast<uint8_t>(unit < 0x80 ? unit : '?');
  }
  SETTEXTEX how{ST_DEFAULT, CP_ACP};
  SendMessageW(view, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(narrow.c_str()));
}

void InitTextPage(HWND page, void* context) {
  const auto& text_page = *static_cast<const TextPage*>(context);
  const bool licence = text_page.kind == TextPageKind::kLicence;
  SetPageMessage(page, kText, licence ? message_number::kLicenceText : message_number::kReadmeText);
  SetButtonMessage(page, kNext, licence ? message_number::kAcceptButton : message_number::kNextButton);
  SetButtonMessage(page, kCancel, licence ? message_number::kDeclineButton : message_number::kCancelButton);
  HWND view = GetDlgItem(page, kTextView);
  SendMessageW(view, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
  ShowText(page, view, *text_page.text);
  SendMessageW(view, EM_SETSEL, 0, 0);
  // The buttons take the focus, so Enter and Escape answer the page.
  SetFocus(GetDlgItem(page, kNext));
}

}  // namespace

PageResult ShowTextPage(HWND owner, const RunProduct& product, TextPageKind kind, const String& text) {
  TextPage context{kind, &text};
  PageHandlers handlers;
  handlers.init = InitTextPage;
  const bool licence = kind == TextPageKind::kLicence;
  const PageFrame frame =
      StyledPage(product, licence ? u"License" : u"Readme", licence ? kStyleLicense : kStyleReadme, licence ? message_number::kLicencePageTitle : message_number::kReadmePageTitle, handlers,
                 &context);
  return static_cast<PageResult>(RunPage(owner, frame));
}
