// Privileges of a process token.
#pragma once

#include <windows.h>

// Enables the named privilege (such as L"SeTakeOwnershipPrivilege") for the
// process. Returns false, with the system's last error, when the token cannot
// be opened or the privilege is not held.
bool EnablePrivilege(const wchar_t* name);

// Enables or disables the named privilege in the token of `process` (null:
// this process). False, with the system's last error, on any failure,
// including a privilege the token does not hold (ERROR_NOT_ALL_ASSIGNED).
bool EnablePrivilege(const wchar_t* name, bool enable, HANDLE process);
