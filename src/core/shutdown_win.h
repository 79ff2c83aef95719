// Ending the Windows session: shutting down, restarting, logging off,
// sleeping or hibernating.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/process_rules.h"

// Ends the session as `kind` (a ShutdownKind) asks, with the kShutdown option
// bits and, for the ExitWindowsEx kinds, the shutdown `reason` (SHTDN_REASON_
// bits) that the system records. Kinds 0-3 and 6 enable SeShutdownPrivilege
// for the call and disable it again; sleep and hibernation go through
// powrprof.dll's SetSuspendState (missing: ERROR_CALL_NOT_IMPLEMENTED). An
// unknown kind fails with ERROR_INVALID_PARAMETER. False with the system's
// last error on failure.
bool ShutDown(int32_t kind, uint32_t options, uint32_t reason);

// The calls that end the session. Tests replace them, so that nothing they
// run can restart Wine or the machine; the program never does.
struct SessionEndCalls {
  BOOL(WINAPI* exit_windows)(UINT flags, DWORD reason) = nullptr;
  // Null: SetSuspendState as found in powrprof.dll. The library is looked for
  // either way, so a system without it fails the same under a test.
  BOOLEAN(WINAPI* suspend)(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wake_events_disabled) = nullptr;
};
// Installs `calls` (a null exit_windows: the system's ExitWindowsEx) and
// returns the ones they replace.
SessionEndCalls ReplaceSessionEndCalls(const SessionEndCalls& calls);
