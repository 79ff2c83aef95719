// The common exit: every end of the process goes through it.
#pragma once

#include "records/working_log.h"

// What the parts of the program ask to be done on the way out, in this
// order. A part sets its hook when it starts; a missing hook is skipped.
struct ExitHooks {
  void (*close_progress_page)() = nullptr;
  void (*destroy_background_window)() = nullptr;
  WorkingLog* working_log = nullptr;  // the install run's, ended here
  void (*stop_notification_worker)() = nullptr;
  void (*remove_firewall_entry)() = nullptr;
};

ExitHooks& TheExitHooks();

// Runs the hooks, pumps the remaining window messages, uninitialises OLE and
// ends the process with `code`: 0 after uninstall mode, 1 on every other end.
[[noreturn]] void CommonExit(int code);
