// The start-menu page: the folder of the product's shortcuts, checked as it
// is typed so that Next is only offered for a name the shell can make.
#include <windows.h>
#include <shlobj.h>

#include "package/message_numbers.h"
#include "wizard/folder_chooser_win.h"
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

constexpr int kFolderLimit = 259;

void Validate(HWND page) {
  EnableWindow(GetDlgItem(page, kNext), StartMenuFolderAcceptable(PageItemText(page, kFolderEdit)));
}

void InitStartMenuPage(HWND page, void* context) {
  SetPageMessage(page, kText, message_number::kChooseStartMenuFolder);
  SetButtonMessage(page, kBrowse, message_number::kBrowseButton);
  SetButtonMessage(page, kNext, message_number::kInstallButton);
  SetButtonMessage(page, kCancel, message_number::kCancelButton);
  KeepLeftToRight(page, kFolderEdit);
  SendDlgItemMessageW(page, kFolderEdit, EM_LIMITTEXT, kFolderLimit, 0);
  SetPageText(page, kFolderEdit, *static_cast<const String*>(context));
  Validate(page);
}

// The chooser answers with a full path; the page holds it relative to the
// Programs folder of the start menu it was chosen in.
String RelativeToPrograms(const String& chosen) {
  for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
    wchar_t programs[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, programs, csidl, FALSE)) continue;
    const String root(reinterpret_cast<const char16_t*>(programs));
    if (!chosen.StartsWithW(root.w_str(), true)) continue;
    String rest(chosen.w_str() + root.wlength());
    rest.TrimStartW(u"\\");
    return rest;
  }
  return chosen;
}

bool StartMenuCommand(HWND page, int id, int code, void* context) {
  if (id == kFolderEdit && code == EN_CHANGE) {
    Validate(page);
    return true;
  }
  if (id == kBrowse) {
    String chosen;
    if (ChooseFolder(page, PageMessageText(page, message_number::kChooseStartMenuFolder), String(), CSIDL_PROGRAMS, chosen)) {
      SetPageText(page, kFolderEdit, RelativeToPrograms(chosen));
    }
    return true;
  }
  if (id == kNext || id == IDOK) {
    // Enter presses the default button even while it is disabled.
    if (!IsWindowEnabled(GetDlgItem(page, kNext))) return true;
    *static_cast<String*>(context) = PageItemText(page, kFolderEdit);
    EndDialog(page, kNext);
    return true;
  }
  return false;
}

}  // namespace

PageResult ShowStartMenuPage(HWND owner, const RunProduct& product, String& folder) {
  PageHandlers handlers;
  handlers.init = InitStartMenuPage;
  handlers.command = StartMenuCommand;
  const PageFrame frame = StyledPage(product, u"StartMenu", kStyleStartMenu, message_number::kStartMenuPageTitle, handlers, &folder);
  return static_cast<PageResult>(RunPage(owner, frame));
}
