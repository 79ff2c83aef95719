// What the file phase hands to the actions that follow it: the files to
// register (COM servers, type libraries, driver INF files, MSI packages,
// control-panel applets), the shortcuts to make, the fonts and shared files
// the uninstall entry lists, and the set of files written in place. Filled
// while the entries are installed, read by the later phases; process-wide,
// like the rest of the install state.
#pragma once

#include <cstdint>

#include "core/file_set.h"
#include "core/string.h"
#include "core/vector.h"
#include "records/shared_files.h"

// A shortcut to make once the files are in place. Texts are UTF-16.
struct ShortcutRequest {
  bool desktop = false;
  bool start_menu = false;
  bool startup = false;
  bool permanent = false;  // left behind at uninstall
  bool quiet_failure = false;  // a failure stays out of the failure summary
  String target;           // the installed file
  String name;             // the shortcut's name
  String arguments;
  String working_folder;
  String icon;
  String own_folder;  // also made in this folder when not empty
};

// An MSI package written by the file phase, to be installed.
struct MsiRequest {
  String path;            // UTF-16
  uint32_t option = 0;    // the entry's MSI option; 2 in a silent run
  bool remember = false;  // remove it again with the product
};

// A control-panel applet written by the file phase, to be registered.
struct ControlPanelRequest {
  String path;          // UTF-16
  String display_name;  // UTF-16: the entry's version field, or the file name without extension
  String class_id;      // UTF-16, "{...}"
  String arguments;     // UTF-16
  bool pending = false;  // the file is staged until the restart
};

struct InstallLists {
  Array<String> com_servers;     // kind 7, UTF-16 paths
  Array<String> type_libraries;  // kind 8
  Array<String> inf_files;       // kind 10, written
  Vector<MsiRequest> msi_packages;
  Vector<ControlPanelRequest> control_panels;
  Vector<ShortcutRequest> shortcuts;
  Vector<SharedListing> shared_listed;
  // "ProductFonts": "display name" "file name" pairs, 8-bit.
  String product_fonts;
  // "SharedFiles": the listed files whose counts this product holds, each
  // with its mark in double quotes, separated by ";", 8-bit.
  String shared_files;
  // The files written in place (not staged), for the pending-rename cleanup.
  FileSet files_written;
  bool font_installed = false;  // a font-change broadcast is due
};
