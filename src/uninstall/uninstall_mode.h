// Uninstall mode: removes the named product, as its uninstall registry entry
// and "Uninstall.DAT" describe it.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

// What the entry hands down from the command line.
struct UninstallRequest {
  String product_name;  // as given after /u:
  bool automatic = false;
  bool silent = false;
  String run_after;  // /r:"program", started after a successful run
  // Told, as soon as the product's Uninstall key is read, whether the
  // product asks for deployment exit codes ("ProductFlags2" bit 24).
  bool* deployment_codes = nullptr;
};

enum class UninstallOutcome {
  kNotInstalled,  // no such product: nothing to do
  kDeclined,      // the user said no, or took the support offer: nothing removed
  kFailed,        // something is left; the product stays registered
  kSucceeded,
};

struct UninstallResult {
  UninstallOutcome outcome = UninstallOutcome::kFailed;
  // What the self-removal and the notification need after a successful run.
  // The self-removal runs only when the program is the product's own
  // uninstaller copy; it then removes `last_folders` (deepest first) after it.
  bool self_removal = false;
  Array<String> last_folders;
  String notify_url;
  String version;
  bool restart_pending = false;  // succeeded, but a restart is needed and was not made
};

UninstallResult RunUninstallMode(const UninstallRequest& request);

// The flag bits of a "ProductFlags" text as the installer writes it: the
// decimal form of the signed 64-bit value (a minus sign when the top bit is
// set), read up to the first character that is not a digit; 0 for no number.
uint64_t FlagsFromText(const String& text);
