// The install-folder page: the folder edit, the chooser, and the space the
// product needs beside the space free on the drive typed.
#include "core/number_format.h"
#include "package/message_numbers.h"
#include "wizard/folder_chooser_win.h"
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

constexpr int kFolderLimit = 259;

struct FolderPage {
  const FolderPageInputs* inputs;
  String* folder;
};

String SpaceText(HWND page, int32_t message, int64_t bytes) {
  String text = PageMessageText(page, message);
  text.AppendW(u' ');
  text.Append(ByteSizeToTextW(bytes));
  return text;
}

// The free space shows only while the edit begins with an existing drive.
void RefreshSpace(HWND page, const FolderPage& context) {
  SetPageText(page, kRequiredSpace, SpaceText(page, message_number::kRequiredSpace, context.inputs->required_space));
  const String folder = PageItemText(page, kFolderEdit);
  String free_text;
  if (folder.wlength() >= 2 && folder.AtW(1) == u':') {
    const wchar_t root[] = {static_cast<wchar_t>(folder.AtW(0)), L':', L'\\', 0};
    ULARGE_INTEGER available{};
    if (GetDriveTypeW(root) != DRIVE_NO_ROOT_DIR && GetDiskFreeSpaceExW(root, &available, nullptr, nullptr)) {
      free_text = SpaceText(page, message_number::kFreeSpace, static_cast<int64_t>(available.QuadPart));
    }
  }
  SetPageText(page, kFreeSpace, free_text);
}

void InitFolderPage(HWND page, void* context) {
  const auto& folder_page = *static_cast<const FolderPage*>(context);
  SetPageMessage(page, kText, message_number::kChooseInstallFolder);
  SetButtonMessage(page, kBrowse, message_number::kBrowseButton);
  SetButtonMessage(page, kNext, folder_page.inputs->start_menu_follows ? message_number::kNextButton : message_number::kInstallButton);
  SetButtonMessage(page, kCancel, message_number::kCancelButton);
  KeepLeftToRight(page, kFolderEdit);
  SendDlgItemMessageW(page, kFolderEdit, EM_LIMITTEXT, kFolderLimit, 0);
  SetPageText(page, kFolderEdit, *folder_page.folder);
  RefreshSpace(page, folder_page);
}

bool FolderCommand(HWND page, int id, int code, void* context) {
  auto& folder_page = *static_cast<FolderPage*>(context);
  if (id == kFolderEdit && code == EN_CHANGE) {
    RefreshSpace(page, folder_page);
    return true;
  }
  if (id == kBrowse) {
    String chosen;
    if (ChooseFolder(page, PageMessageText(page, message_number::kChooseInstallFolder), PageItemText(page, kFolderEdit), -1, chosen)) {
      SetPageText(page, kFolderEdit, chosen);
    }
    return true;
  }
  if (id == kNext) *folder_page.folder = PageItemText(page, kFolderEdit);
  return false;
}

}  // namespace

PageResult ShowFolderPage(HWND owner, const RunProduct& product, const FolderPageInputs& inputs, String& folder) {
  FolderPage context{&inputs, &folder};
  PageHandlers handlers;
  handlers.init = InitFolderPage;
  handlers.command = FolderCommand;
  const PageFrame frame = StyledPage(product, u"ChooseDir", kStyleFolder, message_number::kFolderPageTitle, handlers, &context);
  return static_cast<PageResult>(RunPage(owner, frame));
}
