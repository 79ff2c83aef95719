#include "package/message_box.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "setup/exit.h"
#include "setup/install_folder.h"
#include "setup/refusals.h"

void RefuseWithMessage(int n) { RefuseWithText(Message(n)); }

void RefuseWithText(const String& text) {
  ShowErrorBox(text);
  CommonExit(1);
}

void CancelExit() {
  ShowWarning(Message(message_number::kCancelled), Message(message_number::kCancelledTitle));
  RemoveUnusedInstallFolders();
  CommonExit(1);
}
