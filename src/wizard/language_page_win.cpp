// The language page: one line per language of the table; each selection makes
// that language current and re-texts the page at once.
#include "package/message_numbers.h"
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

void ApplyLanguageTexts(HWND page) {
  RetitlePage(page);
  SetPageMessage(page, kText, message_number::kLanguageText);
  SetButtonMessage(page, kNext, message_number::kNextButton);
  SetButtonMessage(page, kCancel, message_number::kCancelButton);
}

// The user's language in its own name, as the system locale gives it.
String UserLanguageName() {
  wchar_t name[64] = {};
  const int got = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNATIVELANGNAME, name, 41);
  String text;
  if (got > 1) text.AssignW(reinterpret_cast<const char16_t*>(name), got - 1);
  text.TrimW();
  return text;
}

// The page's own copy of the product: it shows its texts in the language
// selected, whatever the run's table says until the caller takes the choice.
struct LanguagePage {
  RunProduct product;
  int32_t* chosen;
};

void InitLanguagePage(HWND page, void* context) {
  auto& language_page = *static_cast<LanguagePage*>(context);
  HWND list = GetDlgItem(page, kLanguageList);
  const LanguageTable& table = language_page.product.languages;
  // The tab that begins each line indents the names a little, not a column.
  INT tab_stop = 6;
  SendMessageW(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tab_stop));
  for (int32_t i = 0; i < table.LanguageCount(); ++i) {
    String line(u"\t");
    line.Append(table.names[i]);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.w_str()));
  }
  const int32_t chosen = PreselectedLanguage(table.names, UserLanguageName());
  language_page.product.languages.current = chosen;
  *language_page.chosen = chosen;
  SendMessageW(list, LB_SETCURSEL, chosen, 0);
  ApplyLanguageTexts(page);
}

bool LanguageCommand(HWND page, int id, int code, void* context) {
  if (id != kLanguageList) return false;
  auto& language_page = *static_cast<LanguagePage*>(context);
  if (code == LBN_SELCHANGE) {
    const LRESULT selected = SendMessageW(GetDlgItem(page, kLanguageList), LB_GETCURSEL, 0, 0);
    if (selected >= 0 && selected < language_page.product.languages.LanguageCount()) {
      language_page.product.languages.current = static_cast<int32_t>(selected);
      *language_page.chosen = static_cast<int32_t>(selected);
      ApplyLanguageTexts(page);
    }
  } else if (code == LBN_DBLCLK) {
    EndDialog(page, kNext);
  }
  return true;
}

}  // namespace

PageResult ShowLanguagePage(HWND owner, const RunProduct& product, int32_t* chosen) {
  LanguagePage language_page{product, chosen};
  *chosen = product.languages.current;
  PageHandlers handlers;
  handlers.init = InitLanguagePage;
  handlers.command = LanguageCommand;
  const PageFrame frame = StyledPage(language_page.product, u"Language", kStyleLanguage, message_number::kLanguagePageTitle, handlers, &language_page);
  return static_cast<PageResult>(RunPage(owner, frame));
}
