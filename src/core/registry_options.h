// The words that every registry operation takes: the options word shared by
// open, read, write and delete, the access masks, and the registry view.
// Portable, so that code which only records or parses registry work can name
// them without <windows.h>.
#pragma once

#include <cstdint>

// Options word. Several bits belong to one operation only; the others ignore them.
enum RegOption : uint32_t {
  kRegNoStack = 0x1,             // open: do not keep the previously open key
  kRegRequired = 0x2,            // read: a missing value is a fatal error
  kRegReadOnly = 0x4,            // KeyExists: open with read access only
  kRegEmptyDeletes = 0x8,        // write: writing an empty value deletes it instead
  kRegShowError = 0x10,          // on failure show the system's text in a "Registry Error" box
  kRegOnlyIfEmpty = 0x20,        // DeleteKey: delete the key only when it is empty
  kRegOpenOnly = 0x40,           // open: do not create
  kRegAsBinary = 0x80,           // write text as REG_BINARY
  kRegAsExpandable = 0x100,      // write text as REG_EXPAND_SZ
  kRegDefaultSecurity = 0x800,   // create without the program's own security descriptor
  kRegNarrowName = 0x1000,       // accepted for old callers; names are always UTF-16 here
  kRegKeepZero = 0x2000,         // read: keep the terminating zero of text values
  kRegRemoveEmptyKey = 0x4000,   // all-users deletion: also remove the key when left empty
  kRegNoOverwrite = 0x8000,      // write: an existing value is kept and the write succeeds
};

// Access masks, the system's values.
constexpr uint32_t kRegQueryAccess = 0x20009;     // READ_CONTROL | query values | enumerate subkeys
constexpr uint32_t kRegReadAccess = 0x20019;      // KEY_READ
constexpr uint32_t kRegWriteAccess = 0xF003F;     // KEY_ALL_ACCESS
constexpr uint32_t kRegAllUsersAccess = 0x2000F;  // query, set, create subkey, enumerate

// The registry view, added to the access mask. The program is a 32-bit
// process: on 64-bit Windows the default view of HKLM\Software is the 32-bit
// one (Wow6432Node); k64 reaches the native keys. On 32-bit Windows there is
// one view and the bits change nothing.
enum class RegView : uint32_t {
  kDefault = 0,
  k64 = 0x100,  // KEY_WOW64_64KEY
  k32 = 0x200,  // KEY_WOW64_32KEY
};

constexpr uint32_t kRegViewMask = 0x300;

// The access mask with the view's bit added. View bits the caller already put
// in the mask stay; asking for both views is refused by the system.
inline uint32_t WithView(uint32_t access, RegView view) {
  return access | static_cast<uint32_t>(view);
}

// Values larger than this are refused when read.
constexpr uint32_t kRegMaxValueSize = 0x100000;
