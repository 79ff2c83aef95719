// A product as the builder takes it: the settings record, the messages and
// the files, with the defaults a new product starts from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/branding.h"
#include "builder/default_messages.h"
#include "core/string.h"
#include "package/entry_kinds.h"
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

// "Leave the attributes as the file was created."
inline constexpr uint32_t kKeepAttributes = 0xFFFFFFFF;

struct PackageOptions {
  // The block-cipher key, used when ProductFlags2 bit 12 is set.
  uint8_t cipher_key[kPackageCipherKeyLength] = {};
  // Plain bytes per file-data block.
  size_t block_size = kDefaultBlockSize;
  // Blocks coded at once, each on a thread of its own; 0 for one per core.
  // The installer's bytes do not depend on it.
  size_t jobs = 0;
  // Recompute the PE CheckSum of the finished installer.
  bool update_pe_checksum = true;
  // Told of each file once its stored size is known: its index, size and
  // its share of the stored file data (blocks are shared: what the data grows
  // by is shared among the files packed meanwhile, by their sizes, so the
  // shares add up to the stored file data). Files come in order; a small
  // file may be told only when its block is complete.
  std::function<void(size_t index, uint64_t size, uint64_t stored)> file_packed;
};

// A file the manifest names (a licence, a picture, an icon...): where it is
// named ("FILE:LINE:COLUMN: KEY") and its path.
struct ManifestInput {
  std::string where;
  std::string path;
};

struct Product {
  ProductSettings settings;  // ProductFlags2 included
  std::vector<LanguageMessages> languages;
  std::vector<PackageFile> files;
  PackageOptions options;
  Branding branding;
  // From a manifest: the folder the files came from, the files its excludes
  // left out, what the vendor should hear about without the build failing,
  // and the files it names.
  std::string source_folder;
  std::vector<std::string> excluded;
  std::vector<std::string> warnings;
  std::vector<ManifestInput> inputs;
  // The winget PackageIdentifier ([product] package_id); empty: derived.
  std::string package_id;
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
