#include <windows.h>

#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/marked_path.h"
#include "records/shared_files.h"

void RaiseSharedFileCounts(Journal& journal, const Vector<SharedListing>& listed, String* shared_files) {
  if (listed.IsEmpty()) return;
  RegistryKey key;
  // The uninstaller lowers the counts in the same view.
  if (key.Open(RegRoot::kLocalMachine, kSharedDllsKey, 0, kRegWriteAccess, RegView::kDefault) ==
      RegistryKey::kFailed) {
    AddFailure(journal, kSharedCountsKeyFailedText);
    return;
  }
  for (const SharedListing& listing : listed) {
    if (!AddSharedFilesEntry(shared_files, listing)) continue;
    const String path = UnmarkPath(listing.path);
    uint32_t count = 0;
    if (!key.ReadNumber(path.w_str(), &count, 0)) count = 0;
    if (!key.WriteNumber(path.w_str(), count + 1, 0)) LogTextW(journal, SharedCountFailedLine(path, LastErrorTextW()));
  }
}
