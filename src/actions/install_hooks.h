// The calls the file phase makes into parts that are set up by the install
// sequence: the progress display, and the component steps that act on a file
// as soon as it is written. A hook left null is skipped.
#pragma once

#include <cstdint>

#include "actions/install_lists.h"
#include "core/string.h"

struct InstallHooks {
  // Moves the progress bar to `percent` and shows `text` (UTF-16) as the
  // status; an empty text keeps the status shown.
  void (*progress)(int32_t percent, const String& text) = nullptr;
  // An MSI package (kind 11) was written and is to be installed now.
  void (*install_msi)(const MsiRequest& request) = nullptr;
  // A control-panel applet (kind 12) was written (or staged) and is to be
  // registered now.
  void (*register_control_panel)(const ControlPanelRequest& request) = nullptr;
};

InstallHooks& TheInstallHooks();

void ReportProgress(int32_t percent, const String& text);
