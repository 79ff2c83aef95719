#include <windows.h>

#include "core/codepage.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/marked_path.h"
#include "records/shared_files.h"
#include "records/uninstall_value_names.h"

void RaiseSharedFileCounts(Journal& journal, const Vector<SharedListing>& listed, String* shared_files,
                           const String& product_key) {
  if (listed.IsEmpty()) return;
  RegistryKey record;
  if (!product_key.empty()) {
    record.Open(RegRoot::kLocalMachine, product_key.w_str(), kRegNoStack, kRegWriteAccess, RegView::kDefault);
  }
  RegistryKey key;
  // The uninstaller lowers the counts in the same view.
  if (key.Open(RegRoot::kLocalMachine, kSharedDllsKey, 0, kRegWriteAccess, RegView::kDefault) ==
      RegistryKey::kFailed) {
    AddFailure(journal, kSharedCountsKeyFailedText);
    return;
  }
  for (const SharedListing& listing : listed) {
    if (!AddSharedFilesEntry(shared_files, listing)) continue;
    // Recorded first: an end between the two steps leaves at worst a count
    // not raised, which the uninstaller leaves alone, never one raised twice.
    if (record.is_open()) record.WriteText(uninstall_value::kSharedFiles, AnsiToUtf16(*shared_files), 0);
    const String path = UnmarkPath(listing.path);
    uint32_t count = 0;
    if (!key.ReadNumber(path.w_str(), &count, 0)) count = 0;
    if (!key.WriteNumber(path.w_str(), count + 1, 0)) LogTextW(journal, SharedCountFailedLine(path, LastErrorTextW()));
  }
}
