// The shortcut step: the shortcut requests of the file entries and the
// product (desktop, desktop folder, Start Menu, Startup, own folder), the root
// shortcut of a removable-media install, and the taskbar pin. Each made link
// is recorded for uninstall unless permanent; each failure is reported and
// the next one tried.
#pragma once

#include "actions/install_lists.h"
#include "core/progress.h"
#include "package/languages.h"
#include "core/string.h"
#include "core/vector.h"
#include "records/journal.h"

struct ShortcutStepInputs {
  const Vector<ShortcutRequest>* requests = nullptr;
  String install_folder;      // UTF-16, full
  String uninstall_folder;    // relative icons start here
  String start_menu_folder;   // the product's folder below Programs
  String desktop_folder;      // "DesktopFolder": a folder on the desktop; empty: none
  String desktop_folder_icon; // the folder's icon file as packaged (bytes); empty: none
  bool all_users = false;     // the common folders
  bool detailed_log = false;
  bool hide_file_names = false;
  Progress progress;  // each link is shown here unless file names are hidden
  const LanguageTable* languages = nullptr;  // the run's texts; null: none
  Journal* journal = nullptr;  // the run's journal; never null
};

void CreateShortcuts(const ShortcutStepInputs& inputs);

// The package's uninstaller icon (".ico" bytes; empty: none) written as
// "uninstall.ico" into the uninstall data folder and recorded for uninstall;
// a failure is logged. Returns the path the uninstaller's shortcuts name,
// written or not, or empty when there is no icon (they then show the
// uninstaller's own).
String InstallUninstallerIcon(Journal& journal, const String& uninstall_folder, const String& icon);

struct RootShortcutInputs {
  String command;         // variables not yet expanded
  String name;
  String install_folder;  // on a removable drive
  bool detailed_log = false;
  const LanguageTable* languages = nullptr;  // the run's texts; null: none
  Journal* journal = nullptr;  // the run's journal; never null
};

void CreateRootShortcut(const RootShortcutInputs& inputs);

struct TaskbarPinInputs {
  String command;  // variables not yet expanded
  String name;     // empty: the product name
  String product_name;
  Progress progress;
  const LanguageTable* languages = nullptr;  // the run's texts; null: none
  Journal* journal = nullptr;  // the run's journal; never null
};

// Only on Windows 7, 8 and 8.1, where the shell has the "taskbarpin" verb.
void PinToTaskbar(const TaskbarPinInputs& inputs);
