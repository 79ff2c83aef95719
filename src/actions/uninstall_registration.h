// Product registration at the end of an installation: the uninstaller copy
// and its icon, the product's entry under the Windows Uninstall key, the
// install-location value the product names, the restart marker and
// "Uninstall.DAT"; earlier in the run, the readme and licence copies.
//
// Platform: uninstall_entry_win.cpp, uninstaller_file_win.cpp,
// icon_update_win.cpp, text_copies_win.cpp. Nothing here stops the
// installation: failures go to the failure summary or the working log.
#pragma once

#include <cstdint>

#include "core/progress.h"
#include "core/string.h"
#include "package/run_product.h"
#include "records/journal.h"
#include "records/uninstall_entry.h"

struct FileWriteRules;
struct ProgramCopy;

// The uninstaller's file name when the caller gives none.
inline constexpr char16_t kDefaultUninstallerName[] = u"uninstall.exe";

// What the registration needs: the run's product, and what the install
// sequence fills in from its install state and the file phase's lists.
struct UninstallRegistration {
  const RunProduct* product = nullptr;  // never null
  Journal* journal = nullptr;           // the run's journal; never null
  // What the run decided beyond the product's settings: whether it
  // registers an uninstaller at all (ProductFlags bit 2, unless the install
  // folder is portable and the product ignores it there), and the facts the
  // Uninstall key records (records/uninstall_entry.h).
  bool supported = false;
  String start_menu;
  bool restore_point_not_made = false;
  bool mono_colour_fallback = false;
  // UTF-16 folders: the install folder (full form), the uninstall data
  // folder (empty: the install folder) and %SharedDir%.
  String install_folder;
  String uninstall_folder;
  String shared_folder;
  int64_t total_bytes = 0;  // the size the Uninstall key shows
  String product_fonts;     // "ProductFonts", 8-bit
  String shared_files;      // "SharedFiles", 8-bit
  // The uninstaller's file name in the uninstall data folder; empty:
  // kDefaultUninstallerName.
  String uninstaller_name;
  // The copy the locator kept: its stripped program becomes the uninstaller.
  // Null, or no stripped program: the running installer is copied instead.
  const ProgramCopy* program = nullptr;
  // The running installer, full path; empty: this process's own file.
  String installer_path;
  // The package's icon files (".ico" bytes). The uninstaller icon replaces
  // the icon of a stripped uninstaller; the product icon is written as
  // "product.ico" and shown by "DisplayIcon". Empty: none.
  String uninstaller_icon;
  String product_icon;
  // The folder added to PATH, as the product names it ("AddToPathSubfolder").
  String add_to_path_subfolder;
  // Called after the registry work and before "Uninstall.DAT" is written: the
  // install sequence's wait for the minimum status time, status and
  // progress 100.
  void (*before_data_file)(void* context) = nullptr;
  void* before_data_file_context = nullptr;
};

// The registration, in this order: with uninstall support (ProductFlags
// bit 2) the uninstaller, "product.ico" and "Installer Background.bmp", the
// Uninstall key's values and their read-back check; then the install folder
// in the product's install-location value (even when the Uninstall key could
// not be opened); with ProductFlags bit 53 the restart marker "reboot.dat";
// with uninstall support, "Uninstall.DAT". True when nothing was added to the
// failure summary.
bool RegisterUninstall(const UninstallRegistration& inputs);

// The readme texts (with ProductFlags bit 46) and licence texts (bit 47) of
// the package, copied into the install folder as "readme.txt" / "eula.txt",
// or numbered when the package lists several. Each copy is recorded for
// uninstall. True when every copy was written.
// `progress` shows each copy's path unless file names are hidden.
bool CopyReadmeAndLicenceTexts(const RunProduct& product, Journal& journal, const String& install_folder,
                               const Progress& progress);

// Pieces of the registration, for the sequence and for tests.

// Puts the uninstaller at `path` (full): the stripped program through the
// locked-file writer (an uninstaller in use is staged for the restart), with
// its icon replaced when `icon` holds an icon file; without a stripped
// program, a copy of `installer_path`, staged in the same way when the old
// one is in use. True when `path` holds the new uninstaller now.
bool PlaceUninstaller(const FileWriteRules& rules, const String& path, const ProgramCopy* program, const String& installer_path,
                      const String& icon);

// Replaces the icon of the program file at `path` with the images of an icon
// file: RT_ICON resources numbered from 1 and RT_GROUP_ICON 1, language 1033.
// Failures are logged; false then.
bool ReplaceProgramIcon(Journal& journal, const String& path, const String& icon_file);

// Writes the entry's values under HKEY_LOCAL_MACHINE, Uninstall key +
// facts.key_name (default registry view), and checks that "UninstallString"
// reads back unchanged. Failures go to the failure summary; true when the
// key was written and read back.
bool WriteUninstallKey(Journal& journal, const ProductSettings& settings, const UninstallEntryFacts& facts);
