// The greeting: a page with the product's welcome text and an optional link,
// or in the plain style a message box.
#include <windows.h>
#include <shellapi.h>

#include "core/wide_win.h"
#include "package/message_numbers.h"
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

struct GreetingPage {
  const RunProduct* product;
  void (*link_clicked)();
};

// Message 105 with its "<a>" opened on the product's link address.
String LinkMarkup(const RunProduct& product) {
  String markup = MessageText(product.languages, message_number::kGreetingLink);
  String anchor(u"<a href=\"");
  anchor.Append(product.settings.GreetingLink);
  anchor.AppendW(u"\">");
  const int32_t at = markup.FindW(u"<a>");
  if (at >= 0) markup.ReplaceW(at, 3, anchor.w_str(), anchor.wlength());
  return markup;
}

void InitGreetingPage(HWND page, void* context) {
  const RunProduct& product = *static_cast<const GreetingPage*>(context)->product;
  String text;
  if (LookOfStyle(PageStyle(product.settings, kStyleGreeting)) == PageLook::kBanner) text.AssignW(u"\r\n\r\n");
  text.Append(MessageText(product.languages, message_number::kGreeting));
  SetPageText(page, kText, text);
  SetButtonMessage(page, kNext, message_number::kNextButton);
  SetButtonMessage(page, kCancel, message_number::kCancelButton);
  const bool link =
      !product.settings.GreetingLink.empty() && !MessageText(product.languages, message_number::kGreetingLink).empty();
  if (link) SetPageText(page, kLink, LinkMarkup(product));
  ShowWindow(GetDlgItem(page, kLink), link ? SW_SHOW : SW_HIDE);
}

bool GreetingMessage(HWND, UINT message, WPARAM, LPARAM lparam, INT_PTR* result, void* context) {
  if (message != WM_NOTIFY) return false;
  const auto* header = reinterpret_cast<const NMHDR*>(lparam);
  if (header->idFrom != static_cast<UINT_PTR>(kLink) || (header->code != NM_CLICK && header->code != NM_RETURN)) {
    return false;
  }
  const auto& greeting = *static_cast<const GreetingPage*>(context);
  ShellExecuteW(nullptr, L"open", Wide(greeting.product->settings.GreetingLink), nullptr, nullptr, SW_SHOWNORMAL);
  if (greeting.link_clicked) greeting.link_clicked();
  *result = TRUE;
  return true;
}

// With kPageIcons the greeting box carries the application icons like every
// page; the box is made by the system, so a hook meets it as it opens.
HHOOK g_icon_hook = nullptr;
LRESULT CALLBACK IconHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wparam);
    HMODULE module = GetModuleHandleW(nullptr);
    SendMessageW(box, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconW(module, MAKEINTRESOURCEW(1))));
    UnhookWindowsHookEx(g_icon_hook);
    g_icon_hook = nullptr;
    return 0;
  }
  return CallNextHookEx(g_icon_hook, code, wparam, lparam);
}

PageResult GreetingBox(HWND owner, const RunProduct& product) {
  if (product.settings.Flag(product_flag::kPageIcons)) g_icon_hook = SetWindowsHookExW(WH_CBT, IconHook, nullptr, GetCurrentThreadId());
  const String text = MessageText(product.languages, message_number::kGreeting);
  const String title = MessageText(product.languages, message_number::kGreetingTitle);
  const int answer = MessageBoxW(owner, Wide(text), Wide(title), MB_OKCANCEL | MB_ICONINFORMATION);
  if (g_icon_hook) {
    UnhookWindowsHookEx(g_icon_hook);
    g_icon_hook = nullptr;
  }
  return answer == IDCANCEL ? PageResult::kCancel : PageResult::kAccept;
}

}  // namespace

PageResult ShowGreetingPage(HWND owner, const RunProduct& product, void (*link_clicked)()) {
  GreetingPage greeting{&product, link_clicked};
  const int32_t style = PageStyle(product.settings, kStyleGreeting);
  if (LookOfStyle(style) == PageLook::kPlain) return GreetingBox(owner, product);
  PageHandlers handlers;
  handlers.init = InitGreetingPage;
  handlers.message = GreetingMessage;
  const int32_t title = LookOfStyle(style) == PageLook::kBanner ? message_number::kBannerGreetingTitle : message_number::kGreetingTitle;
  const PageFrame frame = StyledPage(product, u"Greeting", kStyleGreeting, title, handlers, &greeting);
  return static_cast<PageResult>(RunPage(owner, frame));
}
