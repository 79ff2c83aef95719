// Taking ownership of a protected object (a file in use by the system, a key
// whose rights shut the installer out), so that its rights can then be set.
#pragma once

#include <windows.h>
#include <accctrl.h>

#include <cstdint>

// Makes the Administrators group the owner of `name`, an object of
// `type` (SE_FILE_OBJECT, SE_REGISTRY_KEY, ...): the ownership and restore
// privileges are enabled for the call and disabled again. Returns the
// system's error number, 0 on success; ERROR_NO_TOKEN (1008) when the
// account could not be prepared; ERROR_DLL_NOT_FOUND (1157) when the system
// lacks the security function.
uint32_t TakeOwnership(const char16_t* name, SE_OBJECT_TYPE type);
