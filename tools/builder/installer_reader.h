// Reading a finished installer on the build machine, the way setup.exe reads
// its own file: the same locator, header, settings, program-checksum, block
// and entry checks of the package layer, in the order the installer runs
// them, so that `inspect`, `verify` and `extract` can never disagree with it
// about what a package holds or where it is damaged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/string.h"
#include "package/corrupt.h"
#include "package/entry_record.h"
#include "package/languages.h"
#include "package/locator.h"
#include "package/settings.h"

// Not a corrupt-package number: the file carries no package at all (setup.exe
// says "no installation data"), or one of another installer version (it shows
// its version message).
inline constexpr int kReadNoPackage = -10;
inline constexpr int kReadVersionMismatch = -11;

// One packaged file as the installer would place it.
struct InstalledEntry {
  int32_t index = 0;
  EntryRecord record;   // content empty: it comes through EntrySink::Write
  String destination;   // UTF-16; the folders by variable name: "%InstallDir%\bin\app.exe"
  int32_t size = 0;
};

// Receives the entries and their contents in package order.
class EntrySink {
 public:
  virtual ~EntrySink() = default;
  // Whether the contents are wanted (else they are only checked).
  virtual bool wants_content() const { return false; }
  virtual bool Begin(const InstalledEntry& entry, std::string* error) = 0;
  virtual bool Write(const ByteSpan& /*piece*/, std::string* /*error*/) { return true; }
  // The content is complete and its checksum matched.
  virtual bool End(std::string* /*error*/) { return true; }
  // The content turned out damaged after Begin: drop what was written.
  virtual void Abort() {}
};

struct InstallerContents {
  PackageSection section;
  PackageHeader header;
  ProductSettings settings;
  LanguageTable languages;
  bool signed_file = false;
  uint64_t file_size = 0;
  int32_t blocks = 0;       // file-data blocks checked
  int32_t entries_read = 0;
};

struct ReadOutcome {
  int code = kCorruptNone;  // a corrupt-package number, kReadNoPackage, kReadVersionMismatch, kStoredDataReadFailed
  std::string where;        // the stage and place of the damage
  std::string sink_error;   // the sink refused (code stays kCorruptNone)
  bool ok() const { return code == kCorruptNone && sink_error.empty(); }
};

// Reads everything up to the file data (locate, header, settings, program
// checksum, file-data place and checksum). With a sink, the entries follow,
// each checked as the installer checks it, and the end of the file data.
// `image` is the whole installer file; `file` reads the same bytes.
ReadOutcome ReadInstaller(const ProgramFile& file, const ByteSpan& image, EntrySink* sink, InstallerContents* out);

// The entry's destination with the folders named, computed by the
// installer's own rule; false when the entry name would leave its folder
// (setup.exe stops with corrupt-package number 70).
bool DestinationByName(const EntryRecord& record, const ProductSettings& settings, String* destination);

// The corrupt-package number in words for a report: "55 (checksum of the
// whole file data differs)".
std::string CorruptCodeText(int code);

// UTF-16 to UTF-8 for output.
std::string Utf8(const String& wide);
