// Uninstall mode: removes the named product. Returns true when the run ended
// without a failure.
#pragma once

#include "core/string.h"

bool RunUninstallMode(const String& product_name);

// The product's key path under HKEY_LOCAL_MACHINE.
String UninstallKeyPath(const String& product_name);
