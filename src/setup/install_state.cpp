#include "setup/install_state.h"

InstallState& TheInstall() {
  static InstallState state;
  return state;
}
