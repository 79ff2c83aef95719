// Uninstall mode: removes the named product. Returns true when the run ended
// without a failure.
#pragma once

#include "core/string.h"

bool RunUninstallMode(const String& product_name);
