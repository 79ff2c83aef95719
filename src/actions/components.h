// Component registration: COM servers, type libraries, driver INF files, MSI
// packages and control-panel applets that the file phase has written. Every
// item logs its line and its result; foreign code runs under the crash guard,
// so a crash ends that item only. The libraries used come from the system
// folder, loaded when needed: a missing one disables only its item type.
#pragma once

#include <cstdint>

#include "actions/install_lists.h"
#include "core/progress.h"
#include "core/string.h"
#include "core/vector.h"
#include "package/languages.h"
#include "records/journal.h"

// Each item is shown on `progress` as it starts, in the run's status text
// for an item (message 33, "%s" the item).
struct ComponentProgress {
  Progress progress;
  String item_status;
  Journal* journal = nullptr;  // the run's journal: log lines, failures, records; never null
};
ComponentProgress ComponentProgressOf(const LanguageTable& languages, const Progress& progress, Journal& journal);

// The COM servers, then the type libraries, each path in turn.
void RegisterComServers(const Array<String>& paths, const ComponentProgress& progress);
void RegisterTypeLibraries(const Array<String>& paths, const ComponentProgress& progress);
// Copies each INF file into the driver store; the final paths are recorded
// for uninstall.
void InstallInfDrivers(const Array<String>& paths, const ComponentProgress& progress);

// The MSI package's installer error code (0: installed); 120 when the system
// has no MSI installer. Recorded for uninstall when asked and installed. The
// package's own windows belong to `parent` (an HWND; null: none).
uint32_t InstallMsiPackage(const MsiRequest& request, const ComponentProgress& progress, void* parent = nullptr);

// Registers the applet under its CLSID and in the control panel's name space;
// the keys are recorded for uninstall. True when every step succeeded.
bool RegisterControlPanelApplet(const ControlPanelRequest& request, const ComponentProgress& progress);
