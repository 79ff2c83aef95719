// The file phase: every file entry of the package, in package order, is
// checked, placed, compared with what is already there, written (through
// the file writer, which stages locked files for the restart), recorded for
// uninstall and handed to the lists of the later phases (install_lists.h).
#pragma once

#include <cstdint>

#include "actions/install_hooks.h"
#include "actions/install_lists.h"
#include "core/progress.h"
#include "core/file_set.h"
#include "core/string.h"
#include "package/file_blocks.h"
#include "package/locator.h"
#include "package/run_product.h"
#include "records/journal.h"

// Where the entries come from, where they go, and what the run is like: the
// install sequence fills it from its own state.
struct InstallEntrySource {
  const RunProduct* product = nullptr;    // the run's settings and texts; never null
  bool uninstall_supported = false;       // the run registers an uninstaller (shared files are counted)
  const PackageHeader* header = nullptr;  // entry count and content sizes
  const FileData* file_data = nullptr;    // the stored file data, checked as a whole
  BlockCoding coding;                     // the package's cipher; compressed with ProductFlags bit 5
  // UTF-16 folders: the install folder (full form), %SharedDir%, %UninstallDir%.
  String install_folder;
  String shared_folder;
  String uninstall_folder;
  bool removable = false;  // the install folder is on removable, optical or RAM-disk media
  bool silent = false;     // no window at all: MSI packages install quietly
  Progress progress;       // where the phase reports; an empty record reports nowhere
  Journal* journal = nullptr;     // the run's journal; never null
  InstallLists* lists = nullptr;  // what the phase lists for the later stages; never null
  InstallHooks hooks;             // the component steps run as each file is written
  // The files the earlier installation of the product recorded; null: none.
  const FileSet* earlier_files = nullptr;
};

// Contents larger than this are written piece by piece as their blocks are
// decoded, instead of being gathered whole first: memory stays bounded by
// the block size, whatever the size of the files.
inline constexpr size_t kStreamedContentAbove = kDefaultBlockSize;

// Platform (file_install_win.cpp). Installs every entry, moving the progress
// from 28 to 90 percent, then checks that the file data ended with the last
// entry, announces new fonts, drops pending renames that would undo a file
// just written, and raises the shared files' reference counts (progress 91
// to 93). Damage to the package ends the run through the corrupt-package
// report; everything else goes to the working log and the failure summary.
void InstallAllEntries(const InstallEntrySource& source);
