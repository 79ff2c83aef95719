#include "actions/install_hooks.h"

InstallHooks& TheInstallHooks() {
  static InstallHooks hooks;
  return hooks;
}
