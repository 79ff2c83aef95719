// Privileges of the process token.
#pragma once

// Enables the named privilege (such as L"SeTakeOwnershipPrivilege") for the
// process. Returns false, with the system's last error, when the token cannot
// be opened or the privilege is not held.
bool EnablePrivilege(const wchar_t* name);
