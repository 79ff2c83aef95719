// The %Name% variables of package texts (folders, file names, command lines,
// registry data, batch commands, finish-page documents), and the same values
// exported to batch files as SET lines.
//
// Values come from the product settings, the product's folders (handed down
// by the install sequence), the system folders and the OS facts, and are computed afresh on every expansion, so
// %InstallDir% always reflects the latest folder choice.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "package/product_folders.h"

struct FolderSystem;
struct OsFacts;
struct ProductSettings;

// The variables in the order in which the expansion applies them.
enum class Variable : int32_t {
  kAppDataAllDir,
  kAppDataDir,
  kBits,
  kBootDrive,
  kCommonDir,
  kCommonDir32,
  kCommonDir64,
  kDesktopAllDir,
  kDesktopDir,
  kDesktopShortcuts,
  kDeviceDir,
  kDocumentAllDir,
  kDocumentDir,
  kFavoritesAllDir,
  kFavoritesDir,
  kFontDir,
  kInetpub,
  kInstallDir,
  kInstallDrive,
  kInstallerDir,
  kInstallerDrive,
  kInstallerFilename,
  kInstallerFilepath,
  kMediaDir,
  kOldVersion,
  kOldVersionMajor,
  kOldVersionMinor,
  kProductName,
  kCompanyName,
  kProgramsDir,
  kProgramsDir32,
  kProgramsDir64,
  kSharedDir,
  kSMProgramsAllDir,
  kSMProgramsDir,
  kStartMenuAllDir,
  kStartMenuChosen,
  kStartMenuDir,
  kStartupAllDir,
  kStartupDir,
  kSystemDir,
  kTemp,
  kUninstallDir,
  kVersion,
  kWinDir,
  kOS,
  kOSMajor,
  kOSMinor,
  kOSName,
  kCount,
};

struct VariableRow {
  Variable id;
  const char16_t* name;  // with its percent signs: u"%InstallDir%"
  bool exact_case;       // matched exactly; the others regardless of ASCII case
};

// The table, one row per Variable, in table order.
extern const VariableRow kVariableTable[static_cast<int32_t>(Variable::kCount)];

// Where the values come from.
struct VariableSources {
  const ProductSettings* settings = nullptr;
  const ProductFolders* install = nullptr;
  const FolderSystem* folders = nullptr;
  const OsFacts* os = nullptr;
  String installer_path;  // UTF-16 full path of the running installer
};

// The settings and product folders last handed down, the folder system and
// OS facts, and this program's own path.
VariableSources CurrentVariableSources();
// Hands down the settings the values are read from from now on; the run's
// owner holds them until the process ends. Until then, empty settings.
void SetVariableSettings(const ProductSettings* settings);
// Hands down the record the product's folders are read from from now on; it
// must live until the process ends (the install sequence's state does). Until
// then they are empty.
void SetVariableFolders(const ProductFolders* folders);

// The value of one variable, UTF-16.
String VariableValue(Variable id, const VariableSources& sources);

// Replaces, in place, every occurrence of each table name by its value,
// taking the names one after the other in table order, then expands the
// system's environment strings in the result. A value is inserted unchanged:
// names inside it are replaced only by rows later in the table. Names that
// are neither variables nor environment strings stay as written.
void ExpandVariables(String& text);
void ExpandVariables(String& text, const VariableSources& sources);
// The same as a copy: `text` with the run's variables expanded.
String ExpandedVariables(const String& text);
// The table step alone, without the environment step.
void ReplaceVariables(String& text, const VariableSources& sources);

// The SET lines that predefine the variables in a generated batch file, in
// their fixed order (UTF-16, each ending in CR LF; the caller writes
// "@echo off" before them). Folder and name values are quoted ("SET
// \"InstallDir=...\""), drive, version and OS values are not. Percent signs
// in values are doubled and, in unquoted values, the characters & | < > ^
// escaped with '^', so that every value reaches the batch as it is.
String BatchVariableLines(const VariableSources& sources);
String BatchVariableLines();
