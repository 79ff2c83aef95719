// The product's entry under the Windows Uninstall key: which values are
// written, in which order, with which types and texts. The uninstaller reads
// the product's own values back by name, so the names and encodings here are
// a contract with uninstall mode.
//
// The table is built as data (UninstallEntryValues) so that its order and
// encodings are tested without a registry; uninstall_entry_win.cpp writes it.
#pragma once

#include <cstdint>

#include "core/datetime.h"
#include "core/string.h"
#include "core/vector.h"
#include "package/settings.h"

// The product's key path under HKEY_LOCAL_MACHINE: the Uninstall key and
// `product_name` (the key name, UTF-16).
String UninstallKeyPath(const String& product_name);

// The file names left in the install folder and the uninstall data folder.
inline constexpr char16_t kProductIconName[] = u"product.ico";
inline constexpr char16_t kBackgroundBitmapName[] = u"Installer Background.bmp";
inline constexpr char16_t kRestartMarkerName[] = u"reboot.dat";

// How one value is written.
enum class EntryValueKind : uint8_t {
  kText,        // REG_SZ
  kExpandText,  // REG_EXPAND_SZ
  kNumber,      // REG_DWORD
  kDelete,      // removed, so that nothing of an earlier installation stays
};

struct EntryValue {
  String subkey;  // UTF-16, below the uninstall key; empty: the key itself
  String name;    // UTF-16
  EntryValueKind kind = EntryValueKind::kText;
  String text;    // UTF-16, for the text kinds
  uint32_t number = 0;
  // A value the package defines: a failed write is reported by its name.
  bool product_defined = false;
};

// What the values are made of beyond the product settings.
struct UninstallEntryFacts {
  String key_name;          // UTF-16: the key's name, the argument of /u:
  String uninstaller_path;  // UTF-16, full
  String installer_path;    // UTF-16: the running installer, full
  String install_folder;    // UTF-16, full
  String shared_folder;     // UTF-16; empty: none
  String product_icon_path;  // UTF-16; empty: no product icon was written
  bool bitmap_written = false;  // "Installer Background.bmp" is in place
  String product_fonts;     // 8-bit (ANSI code page), from the file installation
  String shared_files;      // 8-bit (ANSI code page, marked paths), from the file installation
  String add_to_path_subfolder;  // UTF-16
  // What the run decided beyond the package's settings: the Start Menu
  // folder chosen ("ProductStartMenu"), a restart it noted (recorded as
  // ProductFlags bit 14, ask for a restart) and a restore point the product
  // asked for but that could not be begun (ProductFlags2 bit 1 not recorded).
  String start_menu;
  bool restart_asked = false;
  bool restore_point_not_made = false;
  bool mono_colour_fallback = false;  // the background was painted in one colour: "MonoColor" 1
  int64_t total_bytes = 0;  // size of the installation data
  DateTime today;
  // Expands the product's variables in a UTF-16 text in place; null leaves
  // texts as they stand.
  void (*expand)(String& text) = nullptr;
};

// Every value of the entry in the order written: the standard and product
// values, the background window's painting values, the product-defined
// values, then "InstallLocation" and "InstallDate". A text that is deleted
// when empty, or a value the installation does not have, comes as kDelete.
Vector<EntryValue> UninstallEntryValues(const ProductSettings& settings, const UninstallEntryFacts& facts);

// The product-defined values alone (settings.UninstallValues), in package
// order: variables expanded; texts deleted when empty; a DWORD is the text's
// number and is deleted when 0; a name holding a backslash is split at the
// last one into a subkey and a value name. Types other than string,
// expandable string and DWORD never reach here (the settings reader refuses
// the package).
void AppendProductDefinedValues(const Vector<UninstallValue>& values, void (*expand)(String&),
                                Vector<EntryValue>& out);

// "\"path\" /u:\"key\"", or with `quiet` "\"path\" /a /u:\"key\"". The path
// is always quoted, so that a folder with blanks cannot be taken for another
// program.
String UninstallCommand(const String& uninstaller_path, const String& key_name, bool quiet);

// Today as eight digits, year month day ("20240131").
String InstallDateText(const DateTime& today);

// The installation's size in KiB for "EstimatedSize": false when that is 0 or
// does not fit in 32 bits (the value is then deleted).
bool EstimatedSizeKiB(int64_t bytes, uint32_t* kib);

// "VersionMajor" and "VersionMinor" from a version text: the numbers before
// and after the first point. False when the text has no point.
bool VersionParts(const String& version, uint32_t* major, uint32_t* minor);

// The number a text starts with, after blanks and an optional sign, as the C
// library reads it; 0 when it starts with none. Negative numbers wrap.
uint32_t LeadingNumber(const String& text);

// A colour reference as the entry keeps it in text form: its decimal value.
String ColourText(uint32_t colour);

// The names of the readme and licence copies: with a single text in the
// package's list, the plain name ("readme.txt"); otherwise the stem numbered
// over the non-empty texts ("readme1.txt", "readme2.txt"). `number` counts
// the non-empty texts from 1.
String TextCopyName(const char16_t* stem, int32_t list_count, int32_t number);
// What a copy holds: an RTF text as 8-bit text (RTF is 7-bit by design), any
// other text as UTF-8 after a byte-order mark, so that no character of the
// package's UTF-16 text is lost and editors know the encoding.
String TextCopyBytes(const String& text);
