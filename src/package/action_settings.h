// Settings of the install actions that have no field of their own: they are
// carried as "Name=value" lines (CR LF between lines) in the product
// settings' InstallActionSettings text (stored field 49), which nothing else
// reads. Names are matched without
// regard to case; an unknown name is ignored, so that older installers read
// newer packages.
//
//   AddToPathSubfolder=bin           the folder added to PATH (empty: the install folder)
//   PinCommand="%InstallDir%\a.exe" /x   the taskbar pin's command
//   PinName=Acme                     the pin's name (empty: the product name)
//   RootShortcutCommand=...          the removable-media root shortcut's command
//   RootShortcutName=...             and its name
//   DesktopFolderIcon=0000010001...  the desktop folder's icon file, in hexadecimal
#pragma once

#include "core/string.h"

struct ActionSettings {
  String path_subfolder;  // UTF-16
  String pin_command;
  String pin_name;
  String root_shortcut_command;
  String root_shortcut_name;
  String desktop_folder_icon;  // bytes
};

// Reads the lines of `text` (UTF-16). False when a known name has a value it
// cannot hold (an icon that is not hexadecimal); the other values are kept.
bool ReadActionSettings(const String& text, ActionSettings* out);

// The text for `settings`, only the values that are not empty.
String WriteActionSettings(const ActionSettings& settings);
