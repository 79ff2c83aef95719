// Registry access through the wide Win32 interface: the owner of an open key,
// the key object that opens, reads, writes and deletes, and the operations on
// every user's hive.
//
// Every operation reports failure by its result and leaves the system's error
// code as the thread's last error (the Reg* functions return their status
// instead of setting it; this layer sets it). Nothing is shown unless
// kRegShowError asks for a "Registry Error" box; only kRegRequired on a read
// is fatal. Every operation states its view: the program is a 32-bit process,
// so on 64-bit Windows the default view of HKLM\Software is the 32-bit one.
#pragma once

#include <windows.h>

#include "core/handle_win.h"
#include "core/registry_options.h"
#include "core/registry_path.h"
#include "core/registry_value.h"
#include "core/string.h"
#include "core/vector.h"

// The predefined handle of a root.
HKEY RootKey(RegRoot root);

// Open registry keys, closed with RegCloseKey. Predefined root handles are
// not owned by anyone and are never closed.
struct RegKeyTraits {
  using Type = HKEY;
  static Type Null() { return nullptr; }
  static bool IsValid(Type key) { return key != nullptr; }
  static void Close(Type key);
};
using RegKeyHandle = ScopedHandle<RegKeyTraits>;

// The security descriptor that new keys are created with, when the
// access-rights helper registers one; without it keys get default security.
using RegSecurityProvider = PSECURITY_DESCRIPTOR (*)();
void SetRegistrySecurityProvider(RegSecurityProvider provider);

// The key object: one open key, the path shown in messages, and the keys that
// were open before it. Opening without kRegNoStack keeps the open key, and
// Close() returns to it.
class RegistryKey {
 public:
  // Results of Open.
  enum OpenResult { kFailed = 0, kOpened = 1, kCreated = 2 };
  // Results of DeleteKey.
  enum DeleteResult { kDeleted = 1, kNotFound = 2, kDeleteFailed = 3, kNotEmpty = 4, kNoSubkey = 5 };

  RegistryKey() = default;
  ~RegistryKey() { CloseAll(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens root\subkey, creating it unless kRegOpenOnly; `access` is a mask
  // such as kRegReadAccess or kRegWriteAccess, the view's bit is added. An
  // empty subkey opens the root itself. Unless kRegDefaultSecurity, a key is
  // created with the registered security descriptor, and once more with
  // default security if that fails. Returns kFailed (no root:
  // ERROR_INVALID_PARAMETER), kOpened or kCreated.
  int Open(RegRoot root, const char16_t* subkey, uint32_t options, uint32_t access, RegView view);
  // Opens a key below the open key, in the open key's view.
  int OpenSubkey(const char16_t* subkey, uint32_t options, uint32_t access);
  // Opens a path in the bracketed form: "\\HKLM\\Software\\Vendor", or a root
  // alone ("\\HKLM"). Any other text, the every-user form included, fails
  // with ERROR_BAD_PATHNAME.
  int OpenPath(const char16_t* path, uint32_t options, uint32_t access, RegView view);
  // Closes the open key; the key that was open before it, if kept, is open again.
  void Close();
  void CloseAll();

  bool is_open() const { return key_.valid(); }
  HKEY handle() const { return key_.get(); }
  RegView view() const { return view_; }
  // "HKEY_LOCAL_MACHINE\\Software\\Vendor\\"; empty while nothing is open.
  const String& display_path() const { return display_; }

  // Reads a value of any readable type (see IsReadableRegValue); text loses
  // its terminating zero unless kRegKeepZero. A missing value fails with
  // ERROR_FILE_NOT_FOUND, or with kRegRequired ends the program with the
  // "required registry key" message; an unreadable type or size fails with
  // ERROR_INVALID_DATA; no open key: ERROR_INVALID_HANDLE.
  bool ReadValue(const char16_t* name, RegValue* value, uint32_t options);
  // Typed reads; a value of another type fails with ERROR_INVALID_DATA.
  bool ReadText(const char16_t* name, String* text, uint32_t options);  // 1, 2, 3, 7: data as stored
  bool ReadNumber(const char16_t* name, uint32_t* number, uint32_t options);
  bool ReadQword(const char16_t* name, uint64_t* number, uint32_t options);
  bool ReadList(const char16_t* name, Array<String>* items, uint32_t options);
  // Decimal text as WriteReal writes it, or a number (see RegValueReal).
  bool ReadReal(const char16_t* name, double* number, uint32_t options);
  bool ValueExists(const char16_t* name);

  // Writes a value. With kRegNoOverwrite an existing value is kept (success);
  // with kRegEmptyDeletes empty data deletes the value instead. No open key:
  // ERROR_INVALID_HANDLE.
  bool WriteValue(const char16_t* name, uint32_t type, const void* data, uint32_t size, uint32_t options);
  // Text as REG_SZ, REG_EXPAND_SZ (kRegAsExpandable) or REG_BINARY
  // (kRegAsBinary, the String's bytes), written with its terminating zero.
  bool WriteText(const char16_t* name, const String& text, uint32_t options);
  bool WriteText(const char16_t* name, const char16_t* text, uint32_t options);
  bool WriteNumber(const char16_t* name, uint32_t number, uint32_t options);
  bool WriteQword(const char16_t* name, uint64_t number, uint32_t options);
  bool WriteBinary(const char16_t* name, const void* data, uint32_t size, uint32_t options);
  bool WriteList(const char16_t* name, const Array<String>& items, uint32_t options);
  // A real as text, trailing zeros removed ("2.5"); text options apply.
  bool WriteReal(const char16_t* name, double number, uint32_t options);

  // Fails with ERROR_FILE_NOT_FOUND when there is no such value.
  bool DeleteValue(const char16_t* name, uint32_t options);
  // Deletes a subkey of the open key with everything below it, depth first.
  // With kRegOnlyIfEmpty a key that holds subkeys or values is left
  // (kNotEmpty, ERROR_DIR_NOT_EMPTY). kNotFound also when no key is open and
  // kNoSubkey for an empty name (both ERROR_INVALID_PARAMETER).
  int DeleteKey(const char16_t* subkey, uint32_t options);

  // Names of the subkeys and of the values of the open key, appended.
  bool EnumerateSubkeys(Array<String>* names);
  bool EnumerateValues(Array<String>* names);

 private:
  struct Kept {
    RegKeyHandle key;
    String display;
    RegView view;
  };

  int OpenBelow(HKEY parent, const String& parent_display, const char16_t* subkey, uint32_t options,
                uint32_t access, RegView view);
  void Adopt(HKEY key, String display, RegView view, uint32_t options);

  RegKeyHandle key_;
  String display_;
  RegView view_ = RegView::kDefault;
  Vector<Kept> kept_;
};

// Whether root\subkey can be opened: with kRegReadOnly for reading, else with
// full access. An empty subkey fails with ERROR_INVALID_PARAMETER.
bool KeyExists(RegRoot root, const char16_t* subkey, uint32_t options, RegView view);

// One lookup: `path` is a key path and a value name below `root`
// ("Software\\Vendor\\Version"). The value is read as text with `options`;
// any failure gives `default_text`. Nothing is created.
String ReadText(RegRoot root, const char16_t* path, const char16_t* default_text, uint32_t options,
                RegView view);

// The user identifiers whose hives lie under HKEY_USERS: the subkeys of
// ProfileList, or, when that key cannot be opened, the user hives HKEY_USERS
// holds (without ".DEFAULT" and the "_Classes" hives). Appends; false only
// when neither could be read.
bool UserHives(Array<String>* hives);
bool ProfileListHives(Array<String>* hives);
bool LoadedUserHives(Array<String>* hives);

// Deletes a value in every user's hive: HKEY_USERS\<hive>\key_path. A hive or
// key that is not there, or a missing value, counts as done. With
// kRegRemoveEmptyKey the key is then deleted when it is left empty. True when
// every deletion succeeded or found nothing.
bool DeleteValueForAllUsers(const char16_t* key_path, const char16_t* value_name, uint32_t options,
                            RegView view);
bool DeleteValueForAllUsers(const Array<String>& hives, const char16_t* key_path, const char16_t* value_name,
                            uint32_t options, RegView view);
// Deletes a key in every user's hive, as DeleteKey with `options`. The result
// is the worst of the hives' results: kDeleteFailed, then kNotEmpty, then
// kDeleted if any hive had the key, else kNotFound.
int DeleteKeyForAllUsers(const char16_t* key_path, uint32_t options, RegView view);
int DeleteKeyForAllUsers(const Array<String>& hives, const char16_t* key_path, uint32_t options, RegView view);

// The same operations by a text path in any accepted form, "\\HKAU\\" paths
// applied to every user's hive. DeleteKeyPath returns a DeleteResult (a path
// without a root: kDeleteFailed with ERROR_BAD_PATHNAME). DeleteValuePath is
// true when the value is gone (deleted, or not there).
int DeleteKeyPath(const char16_t* path, uint32_t options, RegView view);
bool DeleteValuePath(const char16_t* path, uint32_t options, RegView view);
