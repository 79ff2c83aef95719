// The install-mode state: created when install mode starts and kept until the
// process ends. Later phases and the install actions read it; they receive
// what they need from it rather than reaching into the wizard.
#pragma once

#include <cstdint>

#include "core/file_set.h"
#include "core/string.h"
#include "package/product_folders.h"

enum class InstallType : int32_t {
  kNoComparison = 3,  // no version comparison made
  kSameVersion = 4,
  kUpgrade = 5,       // an older version is installed
  kDowngrade = 6,     // a newer version is installed
};

// The folders and the old version the %Variables% read come first: the
// sequence hands that part down (package/product_folders.h).
struct InstallState : ProductFolders {
  // An earlier installation, from the Uninstall key or the install-location source.
  String existing_location;
  bool existing = false;  // the existing location names a folder that exists
  String old_shared_files;
  String old_product_fonts;  // the fonts the earlier installation listed
  FileSet old_recorded_files;  // the files its data file records
  String old_start_menu;
  // "Publisher" under the product's Uninstall key before this run, read even
  // when detection is off: the run replaces that key either way.
  String earlier_publisher;
  // A /d: folder set aside because the earlier installation's folder is kept.
  String unused_folder_arg;
  InstallType install_type = InstallType::kNoComparison;
  bool upgrade = false;
  bool downgrade = false;
  bool same_version = false;

  String install_folder_full;  // the install folder made absolute
  bool install_folder_created = false;  // this run made the install folder
  bool portable = false;       // on a removable, optical or RAM-disk drive
  int64_t required_space = -1; // -1 until computed

  // The run registers an uninstaller: ProductFlags bit 2, unless the folder
  // is portable and the product ignores that bit there.
  bool uninstall_supported = false;

  bool restart_wanted = false;  // answer of the restart question
  bool restart_needed = false;  // the actions left work for the next start (read from their journal)
  bool finish_choices[4] = {};  // options ticked on the finish page

  // The install folder in full form, else as chosen: the folder every
  // record and action of the run works in.
  const String& InstallFolder() const { return install_folder_full.empty() ? install_folder : install_folder_full; }
};

InstallState& TheInstall();
