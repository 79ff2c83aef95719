#include "setup/exit.h"

ExitHooks& TheExitHooks() {
  static ExitHooks hooks;
  return hooks;
}
