#include <windows.h>

#include "actions/batch_text.h"
#include "actions/private_file.h"
#include "core/environment.h"
#include "core/os_facts.h"
#include "core/process_win.h"
#include "core/temp_files.h"
#include "uninstall/removal_rules.h"
#include "uninstall/self_removal.h"

bool StartSelfRemoval(const String& product_folder, const String& uninstall_subdir) {
  const String program = ProgramFilePath();
  if (program.empty() || product_folder.empty()) return false;
  // The batch names itself in its last line, and its name is only known once
  // the file exists: it is created empty and written under the same handle.
  PrivateFile batch;
  if (!batch.Create(TemporaryFolder(), u"delunins", u".bat", String())) return false;
  const String text = SelfRemovalBatchText(program, product_folder, uninstall_subdir, batch.path());
  if (!batch.Write(EncodeBatchText(text, WindowsAtLeast(6, 1)))) return false;
  const String path = batch.path();
  batch.Release();
  return RunHidden(path.w_str());
}
