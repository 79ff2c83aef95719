#include <windows.h>
#include <ole2.h>

#include "records/working_log.h"
#include "setup/exit.h"

namespace {

void Run(void (*hook)()) {
  if (hook) hook();
}

void PumpRemainingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void CommonExit(RunOutcome outcome) {
  ExitHooks& hooks = TheExitHooks();
  Run(hooks.close_progress_page);
  Run(hooks.destroy_background_window);
  PumpRemainingMessages();
  if (hooks.working_log != nullptr) EndWorkingLog(*hooks.working_log);
  Run(hooks.stop_notification_worker);
  Run(hooks.remove_firewall_entry);
  OleUninitialize();
  ExitProcess(static_cast<UINT>(ExitCodeOf(outcome, hooks.deployment_codes)));
}
