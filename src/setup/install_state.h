// The install-mode state: created when install mode starts and kept until the
// process ends. Later phases and the install actions read it; they receive
// what they need from it rather than reaching into the wizard.
#pragma once

#include <cstdint>

#include "core/string.h"

enum class InstallType : int32_t {
  kNoComparison = 3,  // no version comparison made
  kSameVersion = 4,
  kUpgrade = 5,       // an older version is installed
  kDowngrade = 6,     // a newer version is installed
};

struct InstallState {
  int32_t current_language = 0;

  // An earlier installation, from the Uninstall key or the install-location source.
  String existing_location;
  bool existing = false;  // the existing location names a folder that exists
  String old_version;     // %OldVersion%
  String old_shared_files;
  String old_start_menu;
  InstallType install_type = InstallType::kNoComparison;
  bool upgrade = false;
  bool downgrade = false;
  bool same_version = false;

  String install_folder;       // %InstallDir%
  String install_folder_full;  // made absolute
  bool portable = false;       // on a removable, optical or RAM-disk drive
  int64_t required_space = -1; // -1 until computed
  String uninstall_folder;     // %UninstallDir%
  String shared_folder;        // %SharedDir%
  String desktop_shortcuts;    // %DesktopShortcuts%

  bool restart_wanted = false;  // answer of the restart question
  bool restart_needed = false;  // set by actions that left work for the next start
  bool finish_choices[4] = {};  // options ticked on the finish page
};

InstallState& TheInstall();
