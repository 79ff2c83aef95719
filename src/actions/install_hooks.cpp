#include "actions/install_hooks.h"

InstallHooks& TheInstallHooks() {
  static InstallHooks hooks;
  return hooks;
}

void ReportProgress(int32_t percent, const String& text) {
  if (TheInstallHooks().progress) TheInstallHooks().progress(percent, text);
}
