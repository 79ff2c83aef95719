// The uninstall run's shared record: what the product key and the data file
// said, what the removal has done so far, and the windows it reports through.
// Every stage of the removal (uninstall_stages_win.h) takes it.
#pragma once

#include <cstdint>

#include "core/fatal.h"
#include "core/file_set.h"
#include "core/os_facts.h"
#include "core/progress.h"
#include "core/redirection_win.h"
#include "core/registry_win.h"
#include "core/removal_guard.h"
#include "core/string.h"
#include "package/product_folders.h"
#include "package/run_product.h"
#include "records/journal.h"
#include "records/uninstall_data.h"
#include "uninstall/uninstall_mode.h"
#include "uninstall/uninstall_windows.h"

namespace uninstall {

// A 64-bit product's files lie in the 64-bit folders: redirection is off
// for the whole run.
class ProductRedirection {
 public:
  ProductRedirection() = default;
  void TurnOff(bool sixty_four_bit) {
    if (!sixty_four_bit || !Is64BitWindows()) return;
    if (!DisableRedirection(&old_value_)) FatalMessageW(u"Wow64DisableWow64FsRedirection() failed");
    off_ = true;
  }
  ~ProductRedirection() { Restore(); }
  void Restore() {
    if (off_) RevertRedirection(old_value_);
    off_ = false;
  }
  ProductRedirection(const ProductRedirection&) = delete;
  ProductRedirection& operator=(const ProductRedirection&) = delete;

 private:
  void* old_value_ = nullptr;
  bool off_ = false;
};

struct Run {
  const UninstallRequest* request = nullptr;
  bool automatic = false;
  String name;          // as given
  String display_name;  // "DisplayName", or the name
  String product_folder;
  String uninstall_subdir;  // "UninstallSubdir", relative to the product folder
  String uninstall_folder;
  RegView view = RegView::kDefault;
  bool sixty_four_bit = false;
  RegistryKey key;  // the product's Uninstall key, read and write
  UninstallDataLists lists;
  // The product as the Uninstall key and the uninstall data describe it:
  // built by the steps that read them, then only read.
  RunProduct product;
  // Read from the key as the removal begins: later stages delete values.
  String shared_path;
  String start_menu;
  String desktop_folder;
  bool all_users = false;  // the shortcuts went to the common folders
  FileSet deleted;
  Array<String> folders;  // the folder records, gathered by the record pass
  // The folders an installation of the product made (its folder records,
  // folded), and the guard over the product's folders that every removal
  // goes through.
  FileSet made_folders;
  RemovalGuard guard;
  Vector<FileDeletion> deletions_left;  // the conditional deletions the run could not do yet
  ProductFolders variable_folders;  // what %InstallDir% and the others name
  ProductRedirection redirection;
  UninstallWindows windows;
  Progress progress;  // without a progress page the calls are skipped
  UninstallResult result;
  // What the removal writes down: its failures, the records it keeps for the
  // rewritten data file and the restart it owes. The working log is never
  // started in this mode, so lines for it are dropped.
  Journal journal;
};

// A text value of the key; empty when it is missing.
String ReadValue(RegistryKey& key, const char16_t* name);

// The pauses let a person see each step.
void Pause(const Run& run);

// Moves the bar to `percent` and shows message `status_message` (0: the
// status stays).
void Report(Run& run, int32_t percent, int status_message);

void ShowStatus(Run& run, const String& text);

// The batch stored under `value` runs, then the value goes.
void RunUninstallBatch(Run& run, const char16_t* value, int hide_flag, const String& shared_path);

}  // namespace uninstall
