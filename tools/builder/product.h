// A product as the builder takes it: the settings record, the messages and
// the files, with the defaults a new product starts from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/default_messages.h"
#include "core/string.h"
#include "package/entry_record.h"
#include "package/file_blocks.h"
#include "package/locator.h"
#include "package/settings.h"

// One packaged file. The entry carries every field but the content; the
// content is either held here or read from source_path when the package is
// written, so that a large product is never held in memory all at once.
struct PackageFile {
  EntryRecord entry;
  String content;
  std::string source_path;
};

// Entry flag bits and overwrite modes the builder sets.
namespace entry_flag {
constexpr uint32_t kDesktopShortcut = 1u << 0;
constexpr uint32_t kStartMenuShortcut = 1u << 1;
constexpr uint32_t kOverwriteMask = 0x1C;
constexpr uint32_t kOverwriteAlways = 0x00;
constexpr uint32_t kOverwriteNever = 0x04;  // the entry is skipped
constexpr uint32_t kOverwriteIfExists = 0x08;
constexpr uint32_t kOverwriteIfMissing = 0x0C;
constexpr uint32_t kOverwriteIfNotNewer = 0x10;
constexpr uint32_t kPermanent = 1u << 5;
constexpr uint32_t kInUninstallFolder = 1u << 6;
constexpr uint32_t kRememberMsi = 1u << 7;
}  // namespace entry_flag

// Destination kinds of an entry.
namespace entry_kind {
constexpr uint32_t kInstallFolder = 0;
constexpr uint32_t kSharedFolder = 1;
constexpr uint32_t kFont = 4;
constexpr uint32_t kStartup = 5;
constexpr uint32_t kSystem = 6;
constexpr uint32_t kSystemCom = 7;
constexpr uint32_t kSystemTypeLibrary = 8;
constexpr uint32_t kVersioned = 9;
constexpr uint32_t kDriver = 10;
constexpr uint32_t kMsi = 11;
constexpr uint32_t kControlPanel = 12;
}  // namespace entry_kind

// "Leave the attributes as the file was created."
inline constexpr uint32_t kKeepAttributes = 0xFFFFFFFF;

// ProductFlags bits the builder sets beyond those named in settings.h.
namespace product_flag_extra {
constexpr int kUninstallStartMenuShortcut = 1;
constexpr int kKeepInstallLog = 6;
constexpr int kUninstallDesktopShortcut = 33;
constexpr int kStartMenuPage = 34;
}  // namespace product_flag_extra

struct PackageOptions {
  // The block-cipher key, used when ProductFlags2 bit 12 is set.
  uint8_t cipher_key[kPackageCipherKeyLength] = {};
  // Plain bytes per file-data block.
  size_t block_size = kDefaultBlockSize;
  // Recompute the PE CheckSum of the finished installer.
  bool update_pe_checksum = true;
  // Told of each file once it is packed: its index, size and the stored
  // bytes the file data grew by meanwhile (blocks are shared, so a small
  // file may show 0 and the next one the whole block).
  std::function<void(size_t index, uint64_t size, uint64_t stored)> file_packed;
};

struct Product {
  ProductSettings settings;  // ProductFlags2 included
  std::vector<LanguageMessages> languages;
  std::vector<PackageFile> files;
  PackageOptions options;
  // From a manifest: the folder the files came from, the files its excludes
  // left out, and what the vendor should hear about without the build failing.
  std::string source_folder;
  std::vector<std::string> excluded;
  std::vector<std::string> warnings;
};

// A product with the builder's defaults: every page of an ordinary wizard
// (greeting, folder, start-menu folder, progress, finish) in the side-picture
// style, uninstall support with an uninstaller shortcut in the Start Menu and
// the stripped uninstaller copy, an install log, one installer at a time, a
// version check against an earlier installation, compressed file data inside
// the image, the program checksum, and the default English messages. The
// install folder and Start Menu folder are named after the product.
Product DefaultProduct(const String& name, const String& version);

// A file entry for the install folder with the given relative name (narrow,
// backslashes between folders) and content, no date and default flags.
PackageFile FileFromBytes(const char* name, const void* data, size_t length);
