#include <windows.h>

#include "core/format.h"
#include "setup/error_box.h"
#include "uninstall/uninstall_mode.h"

namespace {

// Owns an open registry key.
class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY* receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool RunUninstallMode(const String& product_name) {
  const String path = UninstallKeyPath(product_name);
  OpenKey key;
  const LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(path.w_str()), 0,
                                    KEY_ALL_ACCESS, key.receive());
  if (status == ERROR_ACCESS_DENIED) {
    ShowErrorBox(String(u"Permission denied.  Please run the uninstaller with administrator rights."));
    return false;
  }
  if (status != ERROR_SUCCESS) {
    ShowErrorBox(FormatW(u"No product named '%s' is installed.", product_name.w_str()));
    return false;
  }
  // The removal itself follows once the uninstall records can be read.
  return false;
}
