// Interim: the wizard's pages are not built yet. Every page ends the run with
// a clear notice that only automatic runs get past it (through the fatal
// path, which shows it unless silent and leaves by the common exit). The
// wizard replaces this file.
#include "core/fatal.h"
#include "core/format.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "wizard/pages_win.h"

namespace {

[[noreturn]] void MissingPage() {
  const String text = FormatW(
      u"%s\r\n\r\nThis installer can only run automatically in this version. Start it with /a or /silent.",
      Message(message_number::kMissingPage).w_str());
  FatalMessageW(text.w_str());
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
