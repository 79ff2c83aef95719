// Raising the system's reference counts of shared files: a DWORD per full
// path under the SharedDLLs key (kSharedDllsKey in uninstall/shared_files.h),
// one for each product that uses the file. The uninstaller lowers them
// again from "SharedFiles".
#pragma once

struct InstallLists;

// Platform (shared_dlls_win.cpp). For a product that supports uninstall and
// is not installed on removable media: each listed file not yet in
// lists.shared_files gets its count raised by one and joins that list (also
// when raising failed, which the working log tells). A SharedDLLs key that
// cannot be opened goes to the failure summary and nothing is counted.
void RaiseSharedFileCounts(InstallLists& lists);
