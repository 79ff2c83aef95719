// Choosing the install folder: from a registry value, from an earlier
// installation, or from /d:, the package's default and the folder page.
#pragma once

#include "core/string.h"

void ChooseInstallFolder();

// Expands %Variables% and environment strings in a folder text.
String ExpandFolderText(const String& text);
