// The install sequence's decisions that need no system: how an earlier
// installation is classed, when it refuses, which addresses are requested.
#pragma once

#include "core/string.h"
#include "setup/install_state.h"

struct ProductSettings;

// The install type from the two versions: with version checking off, or with
// either version blank, no comparison is made.
InstallType DetermineInstallType(bool check_versions, const String& old_version, const String& new_version);

// Sets the type and the upgrade, downgrade and same-version flags.
void SetInstallType(InstallState& state, InstallType type);

// Whether "NoDowngradeBelow" of the installed product refuses this version.
bool RefusedByNoDowngrade(const String& no_downgrade_below, const String& product_version);

// A notification address with every "%version%" replaced by the version.
String NotificationAddress(const String& address, const String& version);

// The completion address: after an upgrade, a downgrade, another installation
// over an existing one, or a new installation.
const String& CompletionAddress(const ProductSettings& settings, const InstallState& state);

// Whether the Reinstall Batch is due: an existing installation of the same
// version, or any existing installation unless the package limits it to the
// same version.
bool ReinstallBatchDue(const InstallState& state, bool same_version_only);

// The command that removes the installed product and then starts this
// installer again: the uninstall command, " /r:\"", our own command line with
// every double quote turned into a backquote, and a closing double quote.
String MustUninstallCommand(const String& uninstall_command, const String& own_command_line);

// The install folder source of a default folder beginning with "HKLM\\" or
// "HKCU\\": the root (true for HKEY_LOCAL_MACHINE) and the value path after
// the root. False when the default folder is an ordinary folder.
bool RegistryFolderSource(const String& default_folder, bool* local_machine, String* value_path);

// Whether a default install folder is placed under Program Files: a
// relative folder is, unless it is "<master>" (the required product's
// folder, when it has none) or a registry source.
bool GoesUnderProgramFiles(const String& default_folder);

// The question asked before installing over an earlier installation: the
// install type's message, the folder, and the question itself, one per
// paragraph.
String InstallOverQuestion(const String& type_message, const String& location, const String& question);

// Whether the installed product must be removed before this one goes in: the
// package names no version (field 70's first text is blank), or the installed
// version is below the version it names.
bool MustUninstallOldVersion(const String& must_uninstall_version, const String& old_version);

// A finish-page program or document named relative to the install folder,
// placed under it: a document is the whole text; for a program command line
// only its first word (quoted or not), and the result quotes it. Absolute
// names, addresses ("https://...") and blank texts are kept as they are.
String DocumentUnderFolder(const String& document, const String& folder);
String ProgramUnderFolder(const String& command, const String& folder);
