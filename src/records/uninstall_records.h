// The uninstall records: what the install actions created, collected in
// memory while they work and written to "Uninstall.DAT" at the end
// (uninstall_data.h). The record list has one line per item, a kind prefix
// and a marked path (marked_path.h); the section texts beside it hold the
// associations, firewall exceptions, driver INF files and MSI packages added.
#pragma once

#include <cstdint>

#include "core/keyed_list.h"
#include "core/string.h"

enum RecordKind : int32_t {
  kRecordFile = 0,           // no prefix: deleted
  kRecordFolder = 1,         // '~': removed when empty
  kRecordRegistryValue = 2,  // '!': the value named by the last component
  kRecordRegistryKey = 3,    // '^'
  kRecordRegistryKey64 = 4,  // '*': the key in the 64-bit registry view
};

struct UninstallRecords {
  String records;  // 8-bit, one record a line, each ending in CR LF
  // The folders recorded in this run, lower-cased UTF-16: each only once.
  List<Bucket<bool, String>> folders;
  // Section texts, 8-bit lines ending in CR LF.
  String associations;
  String firewall;
  String inf;
  String msi;
};

// The prefix of a kind; none for a file or a kind above 4.
const char* RecordPrefix(int32_t kind);

// One line of the record list taken apart: its kind by the prefix, and the
// path after it (8-bit and marked, as written). A line without a prefix is a
// file's path, whole.
struct ParsedRecord {
  RecordKind kind = kRecordFile;
  String path;
};
ParsedRecord ParseRecord(const String& line);

// Appends a record for an 8-bit path (already marked, or ANSI). A path of
// three bytes or fewer, or a folder already recorded in this run, is refused:
// nothing is written and the result is false.
bool AddUninstallRecord(UninstallRecords& records, const char* path, int32_t kind);
bool AddUninstallRecord(UninstallRecords& records, const String& path, int32_t kind);
// The same for a wide path, marked first.
bool AddUninstallRecordW(UninstallRecords& records, const char16_t* path, int32_t kind);
bool AddUninstallRecordW(UninstallRecords& records, const String& path, int32_t kind);

// Empties the record list, the folder set and the section texts. The
// uninstaller does this before its removal pass, so that what it records
// again forms the new file.
void ClearUninstallRecords(UninstallRecords& records);

// Section lines.
// A registered file association: extension key, file type key, verb, icon.
void RecordAssociation(UninstallRecords& records, const char* extension, const char* file_type, const char* verb, const char* icon);
// A firewall exception added, as the package's line "program or port;rule
// name;protocols;options". An exception whose options hold '1' stays after
// uninstall and is not recorded; the result says whether it was.
bool RecordFirewallException(UninstallRecords& records, const String& line);
// A driver package's INF file as the driver store named it.
void RecordInfDriver(UninstallRecords& records, const char16_t* path);
// An MSI package to remove with the product, with its user-interface level.
void RecordMsiPackage(UninstallRecords& records, const char16_t* path, int32_t ui_level);
// A loaded [MSI] line kept again, as the uninstaller does after a failed removal.
void RecordMsiLine(UninstallRecords& records, const String& line);
// Whether an [MSI] line kept so far names the package at `path` (wide,
// compared without regard to case): its file must stay for the next attempt.
bool KeepsMsiPackage(const UninstallRecords& records, const String& path);
