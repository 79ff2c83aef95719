#include "core/redirection_win.h"

#include "core/system_library_win.h"

namespace {

using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

}  // namespace

bool DisableRedirection(void** old_value) {
  auto disable = LoadedSystemFunction<DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
  if (!disable) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  return disable(old_value) != FALSE;
}

bool RevertRedirection(void* old_value) {
  auto revert = LoadedSystemFunction<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
  if (!revert) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  return revert(old_value) != FALSE;
}

void RedirectionGuard::Restore() {
  if (!disabled_) return;
  const DWORD error = GetLastError();
  RevertRedirection(old_value_);
  SetLastError(error);
  disabled_ = false;
}
