#include "uninstall/uninstall_mode.h"

String UninstallKeyPath(const String& product_name) {
  String path(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
  path.AppendW(product_name.w_str(), product_name.wlength());
  return path;
}

int UninstallExitCode(UninstallOutcome outcome) {
  return outcome == UninstallOutcome::kSucceeded || outcome == UninstallOutcome::kNotInstalled ? 0 : 1;
}
