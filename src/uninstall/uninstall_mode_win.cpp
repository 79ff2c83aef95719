#include <windows.h>

#include "core/format.h"
#include "core/registry_win.h"
#include "package/message_box.h"
#include "records/uninstall_entry.h"
#include "uninstall/uninstall_mode.h"

bool RunUninstallMode(const String& product_name) {
  const String path = UninstallKeyPath(product_name);
  RegistryKey key;
  if (!key.Open(RegRoot::kLocalMachine, path.w_str(), kRegOpenOnly | kRegNoStack, KEY_ALL_ACCESS, RegView::kDefault)) {
    if (GetLastError() == ERROR_ACCESS_DENIED) {
      ShowErrorBox(String(u"Permission denied.  Please run the uninstaller with administrator rights."));
    } else {
      ShowErrorBox(FormatW(u"No product named '%s' is installed.", product_name.w_str()));
    }
    return false;
  }
  // The removal itself follows once the uninstall records can be read.
  return false;
}
