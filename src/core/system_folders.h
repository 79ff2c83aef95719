// The Windows folders that the installer's variables stand for. Each folder
// source asks the system in a fixed order of steps and takes the first
// non-empty answer; every source is evaluated afresh on each call.
//
// The program is a 32-bit process that may run on 64-bit Windows: the
// program-folder sources take a view that says which of the two program
// folders is meant.
#pragma once

#include <cstdint>

#include "core/registry_path.h"
#include "core/string.h"

enum class FolderView : int32_t {
  k32 = 1,       // the 32-bit folder
  k64 = 2,       // the 64-bit folder
  kDefault = 3,  // the folder the system reports by default
  k64IfAny = 4,  // the 64-bit folder where there is one
};

// On 64-bit Windows 4 becomes 2 and 1 becomes 3 (a 32-bit process's default
// folder is the 32-bit one); on 32-bit Windows every view becomes 3.
FolderView NormalizeView(FolderView view, bool is_64bit_windows);

enum class FolderSource : int32_t {
  kWindows,
  kSystem,
  kSystem32,  // the 32-bit system folder
  kTemp,      // with a trailing backslash
  kProgramFiles,  // by view
  kCommonFiles,   // by view
  kAppData,
  kCommonAppData,
  kDesktop,
  kCommonDesktop,
  kDocuments,
  kCommonDocuments,
  kFavorites,
  kCommonFavorites,
  kFonts,
  kStartMenu,
  kCommonStartMenu,
  kPrograms,
  kCommonPrograms,
  kStartup,
  kCommonStartup,
  kProfile,
  kDevicePath,  // the system's INF folder
  kMediaPath,
  kWebRoot,
  kWebServerFolder,  // the web root without its last component
  kBootDrive,        // one upper-case letter, "C" when unknown
};

// What the sources ask of the system. Every answer is UTF-16 and empty when
// the system has none.
struct FolderSystem {
  // SHGetSpecialFolderPathW with a CSIDL.
  String (*special_folder)(int32_t csidl);
  // SHGetKnownFolderPath with an identifier in its text form, "{...}".
  String (*known_folder)(const char16_t* id);
  String (*environment)(const char16_t* name);
  // Expands %NAME% environment strings; the text as it is when it cannot.
  String (*expand_environment)(const String& text);
  String (*windows_directory)();
  String (*system_directory)();
  // The temporary folder with its trailing backslash.
  String (*temp_folder)();
  // A text value: `value` of root\key. `create_key` creates a missing key
  // (empty) instead of only opening it.
  String (*registry_text)(RegRoot root, const char16_t* key, const char16_t* value, bool create_key);
  String (*user_name)();
  bool (*is_nt)();
  bool (*is_64bit_windows)();
};

// The running system (system_folders_win.cpp); a plain stand-in that knows
// no folders on the host (system_folders_host.cpp).
const FolderSystem& TheFolderSystem();

// The folder of a source, UTF-16, without a trailing backslash except for a
// drive root and the temporary folder; empty when the source finds nothing
// and has no fixed fall-back. `view` matters to kProgramFiles and
// kCommonFiles only.
String FolderPath(FolderSource source, FolderView view = FolderView::kDefault);
String FolderPath(const FolderSystem& system, FolderSource source, FolderView view = FolderView::kDefault);
// The same converted to the ANSI code page.
String FolderPathA(FolderSource source, FolderView view = FolderView::kDefault);

// A registry answer loses one trailing backslash unless it is three
// characters or shorter (a drive root keeps it).
String RegistryFolderAnswer(const String& value);
