// The calls the file phase makes into the component steps that act on a file
// as soon as it is written, set up by the install sequence. A hook left null
// is skipped. (Progress goes through the Progress record of the entry source.)
// The install run owns them and hands them to the file phase in its
// InstallEntrySource.
#pragma once

#include <cstdint>

#include "actions/install_lists.h"
#include "core/progress.h"
#include "package/languages.h"
#include "records/journal.h"

struct InstallHooks {
  // An MSI package (kind 11) was written and is to be installed now.
  void (*install_msi)(const MsiRequest& request, const Progress& progress, const LanguageTable& languages,
                      Journal& journal) = nullptr;
  // A control-panel applet (kind 12) was written (or staged) and is to be
  // registered now.
  void (*register_control_panel)(const ControlPanelRequest& request, const Progress& progress,
                                 const LanguageTable& languages, Journal& journal) = nullptr;
};
