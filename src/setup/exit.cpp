#include "setup/exit.h"

ExitHooks& TheExitHooks() {
  static ExitHooks hooks;
  return hooks;
}

int ExitCodeOf(RunOutcome outcome, bool deployment_codes) {
  // The deployment code of each outcome, in the order of RunOutcome.
  static const uint16_t kCodes[] = {0, 3010, 1602, 1603, 1618, 1633, 1638, 1620, 1639, 1605, 1602, 1603, 0, 3010};
  const auto index = static_cast<uint8_t>(outcome);
  if (index >= sizeof kCodes / sizeof kCodes[0]) return deployment_codes ? 1603 : 1;
  if (deployment_codes) return kCodes[index];
  // Classic: 0 only when uninstall mode found the product gone or never there.
  return outcome == RunOutcome::kNotInstalled || outcome >= RunOutcome::kUninstalled ? 0 : 1;
}
