// "Uninstall.DAT": what the installer leaves for the uninstaller beyond the
// uninstall registry entry. An 8-bit file, CR LF line ends, no byte-order
// mark: first the record list (uninstall_records.h), then the sections
//   [Strings]            message texts the uninstaller shows (UTF-8)
//   [AutoClose]          rules for closing running programs (comma-separated)
//   [Associations]       file associations registered ("~!~"-separated)
//   [Firewall]           firewall exceptions added (';'-separated)
//   [INF]                driver INF files installed (marked paths)
//   [MSI]                MSI packages to remove ("path",level)
//   [Registry2]          the product's registry-entry table (UTF-8)
//   [ConditionalDelete]  files to delete at uninstall (comma-separated)
// each after a blank line. Sections without content are left out, except
// [Strings].
//
// The writer builds the file from the records, the product settings and the
// language table; the loader puts the same parts back where the writer found
// them, so that the uninstaller's rewrite of the file keeps what it did not
// act on.
#pragma once

#include <cstdint>

#include "core/file_set.h"
#include "core/string.h"
#include "core/vector.h"
#include "package/languages.h"
#include "package/run_product.h"
#include "package/settings.h"
#include "records/uninstall_records.h"

inline constexpr char16_t kUninstallDataName[] = u"Uninstall.DAT";

// The section headers, in the order in which the writer emits them.
inline constexpr char kStringsHeader[] = "[Strings]";
inline constexpr char kAutoCloseHeader[] = "[AutoClose]";
inline constexpr char kAssociationsHeader[] = "[Associations]";
inline constexpr char kFirewallHeader[] = "[Firewall]";
inline constexpr char kInfHeader[] = "[INF]";
inline constexpr char kMsiHeader[] = "[MSI]";
inline constexpr char kRegistryHeader[] = "[Registry2]";
inline constexpr char kConditionalDeleteHeader[] = "[ConditionalDelete]";

// The messages that [Strings] carries, in their order, then the window title
// under kWindowTitleNumber.
inline constexpr int32_t kUninstallMessages[] = {10, 15, 20, 30, 34, 35, 49, 53, 55, 56, 57,
                                                 58, 59, 65, 67, 68, 69, 70, 71, 74, 79, 80,
                                                 99, 100, 101, 104, 107, 108, 109, 110, 111};
inline constexpr int32_t kWindowTitleNumber = 999;
// [Strings] numbers outside this range are ignored when loading.
inline constexpr int32_t kLowestStringNumber = 1;
inline constexpr int32_t kHighestStringNumber = 1000;

// A file association to undo, as [Associations] lists it (8-bit texts).
struct RecordedAssociation {
  String extension;  // ".ext"
  String file_type;
  String verb;
  String icon;
};

// What the uninstaller acts on, as loaded. [AutoClose], [Registry2],
// [ConditionalDelete] and [Strings] go into the settings and the language
// table instead (ParseUninstallData).
struct UninstallDataLists {
  Array<String> records;  // every line of the record list, empty ones too
  Vector<RecordedAssociation> associations;
  Array<String> firewall;
  Array<String> inf;
  Array<String> msi;
};

// The [AutoClose] rules of action 2 ask the user, which belongs after the
// uninstall has been confirmed; all others run before.
inline bool ClosesAfterConfirmation(const CloseRule& rule) { return rule.action == 2; }

// The file's bytes. The message texts come from the current language of
// `languages`, the window title from settings.WindowTitle, the closing rules,
// the registry-entry table (UTF-16) and the conditional deletes (those marked
// for uninstall) from `settings`.
String BuildUninstallData(const UninstallRecords& records, const ProductSettings& settings,
                          const LanguageTable& languages);

// Reads the file's bytes. `lists` is refilled; settings.ProgramsToClose,
// settings.RegistryEntries and settings.FileDeletions are replaced by the
// file's sections; each [Strings] text replaces its message in the current
// language of `languages` (the table grows to hold it, and gets one language
// when it has none) and number 999 replaces settings.WindowTitle. Nothing in
// the file is ever an error: unknown lines are skipped.
void ParseUninstallData(const String& bytes, UninstallDataLists& lists, ProductSettings& settings,
                        LanguageTable& languages);

// The file's path in the uninstall data folder.
String UninstallDataPath(const String& uninstall_folder);

// Writes the file from the process-wide records and the run's product,
// replacing an earlier one only once the whole new file is on the disk: on
// failure the earlier file stays as it was. Returns whether it was written;
// the file error code goes to `*code` when given, the system's error stays
// in the last error.
bool WriteUninstallData(const RunProduct& product, const UninstallRecords& records, const String& path,
                        int* code = nullptr);
// Reads the file into `lists` and the uninstaller's own product (its settings
// and language table). Returns the file error code (kFileOk when loaded).
int LoadUninstallData(const String& path, UninstallDataLists& lists, RunProduct& product);
// Adds the files the data file at `path` records (its file records) to
// `files`; nothing when it cannot be read. An installation over an earlier
// one learns from it which files that one took on.
void AddRecordedFiles(const String& path, FileSet* files);
// The message shown when the file cannot be read: "The uninstall information
// for %s could not be loaded.\r\n\r\nFilepath: %s\r\nCode %d: %s" with the
// product's display name, the path, the file error code and its text.
String UninstallDataLoadMessage(const String& product, const String& path, int code);
