// Registry paths in text form: a root name ("HKEY_LOCAL_MACHINE", or its short
// form "HKLM", optionally between backslashes: "\\HKLM\\"), then the key path
// and, where a value is meant, the value name after the last backslash.
// "\\HKAU\\" stands for every user's hive under HKEY_USERS. Root names are
// matched without regard to ASCII case, as the registry matches key names.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

// The predefined root keys, by their handle values.
enum class RegRoot : uint32_t {
  kNone = 0,
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
  kUsers = 0x80000003u,
  kCurrentConfig = 0x80000005u,
  kDynData = 0x80000006u,
};

struct RegRootName {
  RegRoot root;
  const char* long_name;  // "HKEY_LOCAL_MACHINE"
  const char* short_name;  // "HKLM"
  const char* bracketed;  // "\\HKLM\\"
  const char16_t* long_name_w;
  const char16_t* short_name_w;
  const char16_t* bracketed_w;
};

constexpr int kRegRootCount = 6;
// HKLM, HKCU, HKCR, HKU, HKCC, HKDD, in this order.
extern const RegRootName kRegRootNames[kRegRootCount];

// The table row of a root; null for kNone or an unknown value.
const RegRootName* FindRegRoot(RegRoot root);

// The every-user form, and the key under which the user identifiers are listed.
extern const char16_t kAllUsersBracketed[];  // u"\\HKAU\\"
extern const char16_t kProfileListKey[];  // u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList"

// The length of the root name at the start of `path` (units, or bytes for the
// 8-bit form), counting an optional leading backslash and the backslash after
// the name; -1 when the text does not start with a long or short root name
// that is followed by a backslash or ends the text. `units` may be
// String::kToEnd for a terminated text.
int32_t RootPrefixLength(const char16_t* path, int32_t units, RegRoot* root);
int32_t RootPrefixLength(const char* path, int32_t bytes, RegRoot* root);

// The same for the strict form that OpenPath takes: a backslash, the short
// name and a backslash ("\\HKLM\\..."), or exactly the root ("\\HKLM").
int32_t BracketedRootLength(const char16_t* path, int32_t units, RegRoot* root);

// The length of the every-user form at the start of `path` ("\\HKAU\\",
// "HKAU\\", or "\\HKAU" / "HKAU" alone), or -1.
int32_t AllUsersPrefixLength(const char16_t* path, int32_t units);

// Splits a terminated UTF-16 path into its root and the rest. False, with
// `rest` emptied, when the path starts with no root name.
bool SplitRoot(const char16_t* path, RegRoot* root, String* rest);

// Splits at the last backslash: `key` gets the text before it, `value` the
// text after it. Without a backslash the whole text is the value name and the
// key is empty. A path ending in a backslash names the default value ("").
// Also serves to take the last key off a key path (parent and leaf).
void SplitValue(const char16_t* path, int32_t units, String* key, String* value);

// A key path taken apart.
struct RegPath {
  RegRoot root = RegRoot::kNone;  // kUsers for the every-user form
  bool all_users = false;  // "\\HKAU\\": `subkey` lies in each user's hive
  String subkey;  // UTF-16, relative to the root or to each user's hive
};

// Parses a key path in any accepted form (long, short or bracketed root name,
// or the every-user form). Backslashes at the end of the key path are
// dropped. False when there is no root name.
bool ParseRegKeyPath(const char16_t* text, RegPath* out);
// Parses a value path: the last component is the value name (empty for a
// path that ends in a backslash: the default value).
bool ParseRegValuePath(const char16_t* text, RegPath* key, String* value);

// "\\HKLM\\" + subkey, and "\\" + value when `value` is not null: the form
// the uninstall records store. UTF-16.
String RegPathText(RegRoot root, const char16_t* subkey, const char16_t* value = nullptr);

// The path shown in messages: long root name, backslash, subkey, backslash.
String RegDisplayPath(RegRoot root, const char16_t* subkey);
// Adds a subkey to a display path (for a key opened below another).
void AppendRegDisplayPath(String* display, const char16_t* subkey);

// The key path of `subkey` in the user hive `hive` under HKEY_USERS.
String UserHiveSubkey(const char16_t* hive, const char16_t* subkey);

// Whether a subkey name of HKEY_USERS is a user's own hive: ".DEFAULT" (the
// logon desktop's profile) and the "..._Classes" hives are not.
bool IsUserHiveName(const char16_t* name);
// Keeps the names that are user hives.
void FilterUserHives(const Array<String>& names, Array<String>* hives);
