// The kinds and flag bits of a package's file entries (package/entry_record.h),
// named once for the runtime and for the builder (tools/builder), which
// writes what the runtime reads.
#pragma once

#include <cstdint>

// Destination kinds of an entry.
namespace entry_kind {
constexpr uint32_t kInstallFolder = 0;
constexpr uint32_t kSharedFolder = 1;
constexpr uint32_t kFont = 4;
constexpr uint32_t kStartup = 5;  // install folder, with a Startup-folder shortcut
constexpr uint32_t kSystem = 6;
constexpr uint32_t kSystemCom = 7;          // system folder, COM server
constexpr uint32_t kSystemTypeLibrary = 8;  // system folder, type library
constexpr uint32_t kVersioned = 9;
constexpr uint32_t kDriver = 10;  // INF file
constexpr uint32_t kMsi = 11;
constexpr uint32_t kControlPanel = 12;
}  // namespace entry_kind

// Entry flag bits and the overwrite modes (flags & kOverwriteMask).
namespace entry_flag {
constexpr uint32_t kDesktopShortcut = 1u << 0;
constexpr uint32_t kStartMenuShortcut = 1u << 1;
constexpr uint32_t kOverwriteMask = 0x1C;
// 0x00, 0x18 and 0x1C write the file as the kind's rules decide.
constexpr uint32_t kOverwriteAlways = 0x00;
constexpr uint32_t kOverwriteNever = 0x04;      // never installed, nothing logged
constexpr uint32_t kOverwriteIfExists = 0x08;   // only over an existing file
constexpr uint32_t kOverwriteIfMissing = 0x0C;  // only where there is none
constexpr uint32_t kOverwriteIfNotNewer = 0x10;  // not over a newer file
constexpr uint32_t kOverwriteNeverToo = 0x14;   // as kOverwriteNever
constexpr uint32_t kPermanent = 1u << 5;          // never removed; no records
constexpr uint32_t kInUninstallFolder = 1u << 6;  // goes to the uninstall data folder
constexpr uint32_t kRememberMsi = 1u << 7;
// Type-library entries with any bit from here up are never deleted.
constexpr uint32_t kFirstTypeLibraryOption = 13;
}  // namespace entry_flag
