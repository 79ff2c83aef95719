#include <windows.h>

#include "core/format.h"
#include "package/settings_state.h"
#include "setup/exit.h"
#include "setup/wizard_pages.h"

namespace {

[[noreturn]] void MissingPage() {
  const String text = FormatW(
      u"%s\r\n\r\nThis installer can only run automatically in this version. Start it with /a or /silent.",
      Message(1).w_str());
  MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.w_str()),
              reinterpret_cast<const wchar_t*>(Settings().WizardCaption.w_str()), MB_OK | MB_ICONINFORMATION);
  CommonExit(1);
}

}  // namespace

PageResult ShowPage(PageResult (*page)()) {
  if (!page) MissingPage();
  return page();
}

PageResult ShowFolderPage(String& folder) {
  if (!TheWizardPages().folder) MissingPage();
  return TheWizardPages().folder(folder);
}
