// The installation's own folders and the version it replaces, as the
// %Variables% and batch files see them. The install sequence owns the
// values (its install state holds them) and hands them down here; the
// uninstaller fills its own from the uninstall data.
#pragma once

#include "core/string.h"

struct ProductFolders {
  String install_folder;     // %InstallDir%, as chosen (UTF-16)
  String uninstall_folder;   // %UninstallDir%
  String shared_folder;      // %SharedDir%
  String desktop_shortcuts;  // %DesktopShortcuts%; empty: the product's desktop folder
  String old_version;        // %OldVersion%
  String start_menu;         // %StartMenuChosen%: the Start Menu folder chosen, beneath the programs folder
};
