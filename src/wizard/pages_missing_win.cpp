// Interim: the wizard's pages are not built yet. Every page ends the run with
// a clear notice, titled with the wizard's caption, that only automatic runs
// get past it. The common exit lies above this layer, so the process ends
// directly (before the pages only the notification worker may run; its
// notice is not waited for). The wizard replaces this file.
#include <windows.h>

#include "core/format.h"
#include "core/process_end.h"
#include "core/show_message_win.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "wizard/pages_win.h"

namespace {

[[noreturn]] void MissingPage() {
  const String text = FormatW(
      u"%s\r\n\r\nThis installer can only run automatically in this version. Start it with /a or /silent.",
      Message(message_number::kMissingPage).w_str());
  ShowMessage(nullptr, text.w_str(), Settings().WizardCaption.w_str(), MB_OK | MB_ICONINFORMATION);
  EndProcessNow(1);
}

}  // namespace

PageResult ShowLanguagePage(HWND) { MissingPage(); }
PageResult ShowGreetingPage(HWND) { MissingPage(); }
PageResult ShowPasswordPage(HWND, const String&) { MissingPage(); }
PageResult ShowTextPage(HWND, TextPageKind, const String&) { MissingPage(); }
PageResult ShowFolderPage(HWND, const FolderPageInputs&, String&) { MissingPage(); }
PageResult ShowStartMenuPage(HWND, String&) { MissingPage(); }
PageResult ShowMustUninstallPage(HWND) { MissingPage(); }
FinishChoices ShowFinishPage(HWND) { MissingPage(); }
// No progress page yet: the run reports nowhere.
bool OpenProgressPage(HWND, const ProgressPageInputs&) { return false; }
void CloseProgressPage() {}
Progress ProgressPageReporter() { return Progress(); }
