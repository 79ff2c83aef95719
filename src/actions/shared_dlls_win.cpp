#include <windows.h>

#include "actions/file_install_rules.h"
#include "actions/install_lists.h"
#include "actions/shared_dlls.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "package/settings_state.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/marked_path.h"
#include "setup/install_state.h"
#include "uninstall/shared_files.h"

void RaiseSharedFileCounts(InstallLists& lists) {
  if (!Settings().Flag(file_install_flag::kSupportsUninstall) || TheInstall().portable) return;
  if (lists.shared_listed.IsEmpty()) return;
  RegistryKey key;
  // The uninstaller lowers the counts in the same view.
  if (key.Open(RegRoot::kLocalMachine, kSharedDllsKey, 0, kRegWriteAccess, RegView::kDefault) ==
      RegistryKey::kFailed) {
    AddFailure(kSharedCountsKeyFailedText);
    return;
  }
  for (const SharedListing& listing : lists.shared_listed) {
    if (!AddSharedFilesEntry(&lists.shared_files, listing)) continue;
    const String path = UnmarkPath(listing.path);
    uint32_t count = 0;
    if (!key.ReadNumber(path.w_str(), &count, 0)) count = 0;
    if (!key.WriteNumber(path.w_str(), count + 1, 0)) LogTextW(SharedCountFailedLine(path, LastErrorTextW()));
  }
}
