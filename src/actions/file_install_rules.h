// The decisions of the file phase that need no system: where an entry goes,
// whether it is written over what is there (and the log line that says why),
// which lists it joins, and the texts the phase writes. The Win32 walk
// (file_install_win.cpp) gathers the facts and carries the decisions out.
//
// Paths are UTF-16 unless a comment says 8-bit.
#pragma once

#include <cstdint>

#include "actions/install_lists.h"
#include "core/datetime.h"
#include "core/string.h"
#include "package/entry_kinds.h"
#include "package/entry_record.h"
#include "package/settings.h"

// The entry name that is never shown.
constexpr char kHiddenEntryName[] = "b/0@+";

bool IsKnownFileKind(uint32_t kind);
// Kinds whose folder is the install folder: 0, 5 and 9 to 12.
bool IsInstallFolderKind(uint32_t kind);
// Kinds whose existing file is compared by version and date: 6 to 9.
bool IsVersionedKind(uint32_t kind);
bool IsPermanent(uint32_t flags);
// Entries skipped before anything looks at the disk.
bool SkipsSilently(uint32_t flags);

// The package damage an entry shows before anything is done with it: an
// unknown kind (110), a font without its display name (78), a control-panel
// applet without its class identifier (79). kCorruptNone when sound.
int CheckEntryFields(const EntryRecord& entry);

// Whether the file's path is recorded for uninstall: not permanent, and an
// install-folder kind, or kind 1 on removable media (elsewhere the shared
// file's reference count decides its removal).
bool RecordsFile(uint32_t kind, uint32_t flags, bool removable);
// Whether a folder made for the entry is recorded for uninstall.
bool RecordsFolder(uint32_t kind, uint32_t flags);
// Whether the phase itself creates the file's missing folders: for
// install-folder kinds and override paths, not for the uninstall data
// folder or the system, shared and font folders (the writer makes those on
// demand).
bool CreatesFolder(uint32_t kind, uint32_t flags, bool from_override);

// The folders an entry may go to. All absolute.
struct DestinationFolders {
  String install;
  String shared;     // empty when the product has none
  String uninstall;  // the uninstall data folder
  String fonts;
  String system;
  // A removable-media install whose shared folder is a subfolder of the
  // install folder: a shared file may not be sent elsewhere.
  bool portable_shared = false;
};

// Replaces the %Name% variables and environment strings of a text in place.
using ExpandFunction = void (*)(String& text);

struct Destination {
  String path;                 // absolute, normalised
  bool from_override = false;  // the package gave a destination
};

// The wide form of an entry name (8-bit): "|" and UTF-8, else the ANSI code
// page, as the install records keep names.
String EntryNameWide(const String& name);
// The entry's six date numbers as a FileDate.
FileDate EntryDate(const EntryRecord& entry);

// The destination of an entry: the kind's folder (or the uninstall data
// folder with flag bit 6) and the name, or the override the package gives.
// An override without a backslash is a new name; variables in it are
// expanded; one ending in a backslash is a folder for the entry's name; a
// relative one is taken from the shared folder (kind 1) or the install
// folder; the result is normalised, so an override may climb out of it.
// False when the entry name is damaged: a ".." part, a colon, a leading
// separator or a part the system would read as another name (the name alone
// is checked; the override is the package's explicit choice of place).
bool ComputeDestination(uint32_t kind, uint32_t flags, const String& name, const String& override_text,
                        const DestinationFolders& folders, ExpandFunction expand, Destination* out);

// A relative path that stays below the folder it is joined to: not empty, no
// drive colon, no leading separator, and every part plain
// (IsPlainNamePart): none that climbs, ends in a dot or a blank, or names a
// device.
bool StaysInsideFolder(const String& relative);
// "/" becomes "\\", doubled separators (but a leading "\\\\") become one,
// "." parts go and ".." parts take the part before them away (never the
// drive or share).
String NormalisePath(const String& path);

// Progress position of entry `index` of `count`: 28 to 90 percent.
int32_t FileProgress(int32_t index, int32_t count);
// Whether the status line may show the destination path.
bool ShowsFileName(bool hide_file_names, const String& entry_name);

// Shared-file list. Kinds 6 to 8 are always listed, kind 1 only off
// removable media.
bool ListsSharedFile(uint32_t kind, bool removable);
// The mark of a listed file: a blank (never delete) for a permanent kind 1,
// 7 or 8, for kind 6 and for a type library with option bits; "^" for a COM
// server; 0xA9 for another type library; 0 (none) for a kind-1 file.
char SharedFileMark(uint32_t kind, uint32_t flags);

// Appends a font to "ProductFonts": the display name (UTF-8) and the entry
// name, each in double quotes (a quote inside doubled), each followed by a
// blank.
void AddProductFont(String* product_fonts, const String& display_name, const String& entry_name);

// What the phase knows of the file already at the destination.
struct ExistingFile {
  bool exists = false;
  bool has_time = false;  // its last-write time could be read
  FileDate time;
  String version;  // its version resource's file version; empty for none
};

// What the entry brings to the comparison.
struct EntryFacts {
  uint32_t kind = 0;
  uint32_t flags = 0;
  FileDate date;
  String version;  // UTF-16; empty for none
  bool removable = false;
};

struct FileDecision {
  bool install = true;
  // A skipped file is still the product's: record it for uninstall.
  bool record_existing = false;
  String log;  // the working log's line, or empty
};

// The overwrite mode, then the kind's up-to-date test, with the log line of
// the decision.
FileDecision DecideFile(const EntryFacts& entry, const String& path, const ExistingFile& existing);

// The file version of a version resource as shown: commas become points,
// blanks, CR, LF and tabs at both ends go.
String CleanFileVersion(const String& version);

// A shortcut request for kind 0 with shortcut bits, and for kind 5.
bool RequestsShortcut(uint32_t kind, uint32_t flags);
ShortcutRequest MakeShortcutRequest(const EntryRecord& entry, const String& path);

// The detailed log's line: the name's last part, " >>> ", the path.
String WrittenFileLine(const String& entry_name, const String& path);

// The failure summary's entry for a folder that could not be made. The
// message's "%s" places, when it has them, take the folder and the reason.
String FolderFailureText(const String& message, const String& folder, const String& reason,
                         const String& file);
// The reason when a file holds the name of a folder to make.
extern const char16_t kFileInTheWayText[];

// Message 77 with the font's entry name for "<file>".
String FontStatusText(const String& message, const String& entry_name);

// The control-panel request of a written applet.
ControlPanelRequest MakeControlPanelRequest(const EntryRecord& entry, const String& path, bool pending);
// The MSI request of a written package; a silent run installs it quietly.
MsiRequest MakeMsiRequest(const EntryRecord& entry, const String& path, bool silent);

