// The pieces of an uninstall run, by the file that holds them. The removal
// runs them as the rows of its table (uninstall_mode_win.cpp); the run
// itself calls the finding, loading, confirming and ending around it.
#pragma once

#include "uninstall/uninstall_run_win.h"

namespace uninstall {

// product_key_win.cpp

// The product key and the settings kept in it; false (with the reason shown
// and the outcome set) when the product cannot be removed.
bool FindProduct(Run& run);
// The data file; false, with its load message shown, when it cannot be read.
bool LoadData(Run& run);
// False when the user said no, or took the support offer instead.
bool Confirmed(Run& run);
// The values the removal needs after stages that delete values of the key.
void ReadRemovalValues(Run& run);

// uninstall_mode_win.cpp

// The shared-file pass over the product key's "SharedFiles".
void ReleaseSharedFiles(Run& run);

// record_pass_win.cpp

void GatherProductFolders(Run& run);
void DeleteInstallLog(Run& run);
void RecordPass(Run& run);
void CleanPendingFileOperations(Run& run);
void RunConditionalDeletes(Run& run);
void RewriteData(Run& run);

// removal_folders_win.cpp

void RemoveFolders(Run& run);
void RemoveStartMenuFolder(Run& run);
void RemoveProductFolderWithContents(Run& run);
void RemoveSharedFolder(Run& run);

// registry_climb_win.cpp

void RemoveProductRegistryKey(Run& run);

// uninstall_end_win.cpp

void Unregister(Run& run);
void CloseProductKey(Run& run);
void LetGoOfUninstaller(Run& run);
void NotifyShell(Run& run);
void EndWithSuccess(Run& run);  // sets the result's restart_pending
void EndWithFailure(const LanguageTable& languages, const Journal& journal);

}  // namespace uninstall
