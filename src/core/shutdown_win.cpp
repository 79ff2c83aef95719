#include "core/shutdown_win.h"

#include "core/os_facts.h"
#include "core/privileges_win.h"
#include "core/system_library_win.h"

namespace {

using SuspendFunction = BOOLEAN(WINAPI*)(BOOLEAN, BOOLEAN, BOOLEAN);

constexpr wchar_t kShutdownPrivilege[] = L"SeShutdownPrivilege";

SessionEndCalls& Calls() {
  static SessionEndCalls calls;
  return calls;
}

bool EndSession(uint32_t flags, uint32_t reason) {
  EnablePrivilege(kShutdownPrivilege, true, nullptr);
  const auto exit_windows = Calls().exit_windows ? Calls().exit_windows : &ExitWindowsEx;
  const bool done = exit_windows(flags, reason) != FALSE;
  const DWORD error = GetLastError();
  EnablePrivilege(kShutdownPrivilege, false, nullptr);
  SetLastError(error);
  return done;
}

bool Suspend(const ShutdownPlan& plan) {
  const SystemLibrary powrprof(L"powrprof.dll");
  const auto found = powrprof.Get<SuspendFunction>("SetSuspendState");
  if (!found) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  const SuspendFunction suspend = Calls().suspend ? Calls().suspend : found;
  return suspend(plan.hibernate, plan.force, plan.disable_wake_events) != FALSE;
}

}  // namespace

bool ShutDown(int32_t kind, uint32_t options, uint32_t reason) {
  ShutdownPlan plan;
  if (!PlanShutdown(kind, options, IsWindowsVistaOrLater(), &plan)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return plan.suspend ? Suspend(plan) : EndSession(plan.exit_flags, reason);
}

SessionEndCalls ReplaceSessionEndCalls(const SessionEndCalls& calls) {
  const SessionEndCalls previous = Calls();
  Calls() = calls;
  return previous;
}
