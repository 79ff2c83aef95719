#include "uninstall/uninstall_mode.h"

int UninstallExitCode(UninstallOutcome outcome) {
  return outcome == UninstallOutcome::kSucceeded || outcome == UninstallOutcome::kNotInstalled ? 0 : 1;
}
