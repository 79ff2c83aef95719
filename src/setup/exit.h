// The common exit: every end of the process goes through it.
#pragma once

#include <cstdint>

#include "records/working_log.h"

// How the run ended, as its exit code tells it.
enum class RunOutcome : uint8_t {
  kInstalled,
  kInstalledRestartPending,  // a restart is needed and was not made
  kCancelled,                // the user cancelled or declined
  kFailed,                   // the failure summary is not empty, or a refusal or fatal error
  kAnotherInstaller,         // another installer holds the single-instance rule
  kUnsupportedSystem,        // wrong bitness or an excluded system
  kNewerInstalled,           // a newer version refuses the downgrade
  kCorruptPackage,
  kBadCommandLine,
  // Uninstall mode, in the order of UninstallOutcome, then a success that
  // still owes a restart.
  kNotInstalled,  // no such product
  kUninstallDeclined,
  kUninstallFailed,
  kUninstalled,
  kUninstalledRestartPending,
};

// The exit code of `outcome`. Classic codes: 0 after uninstall mode when the
// product is gone or was never there, 1 on every other end (install mode's
// callers read Install.log). Deployment codes, which the package asks for
// with ProductFlags2 bit 24: the Windows Installer's numbers that deployment
// tools read (0, 3010, 1602, 1603, 1618, 1633, 1638, 1620, 1639, 1605).
int ExitCodeOf(RunOutcome outcome, bool deployment_codes);

// What the parts of the program ask to be done on the way out, in this
// order. A part sets its hook when it starts; a missing hook is skipped.
struct ExitHooks {
  void (*close_progress_page)() = nullptr;
  void (*destroy_background_window)() = nullptr;
  WorkingLog* working_log = nullptr;  // the install run's, ended here
  void (*stop_notification_worker)() = nullptr;
  void (*remove_firewall_entry)() = nullptr;
  // Set as soon as the package or the product's Uninstall key says so.
  bool deployment_codes = false;
  // What a fatal error that is not a corrupt-package report means.
  RunOutcome fatal_outcome = RunOutcome::kFailed;
};

ExitHooks& TheExitHooks();

// Runs the hooks, pumps the remaining window messages, uninitialises OLE and
// ends the process with the exit code of `outcome`.
[[noreturn]] void CommonExit(RunOutcome outcome);
