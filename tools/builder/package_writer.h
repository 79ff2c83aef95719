// Writing the installation package and putting it into setup.exe. The only
// writer of packages: tests build their installers through it too, and damage
// its output on purpose when they need a broken one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "builder/product.h"
#include "core/string.h"

// The package in its stored form, before it goes into a program.
struct EncodedPackage {
  String header;         // header fields 1 to 12
  String settings;       // the stored settings block (header field 13)
  String file_data;      // the stored file-data blocks (header field 14)
  bool file_data_after_section = false;
  // Offsets in `header` of the fields that are filled in once the package's
  // place in the program is known.
  size_t settings_size_at = 0;
  size_t program_checksum_at = 0;
  size_t package_end_at = 0;
};

// Encodes the settings, the messages and every file. Fails with a readable
// reason when a setting is outside what the installer accepts, a file cannot
// be read, or a text cannot take its encoding.
bool EncodePackage(const Product& product, EncodedPackage* package, std::string* error);

// Checks that `stub` is this runtime's setup.exe and whole: it carries the
// runtime's marker, and every section's data lies within the file. Fails
// with the reason and what to do about it.
bool CheckRuntimeStub(const String& stub, std::string* error);

// Builds the installer: `stub` (setup.exe as built) with the product's
// package added as its ".setup" section. The result is the same, byte for
// byte, for the same stub and product.
bool BuildInstaller(const String& stub, const Product& product, String* installer, std::string* error);
// The same, carrying extras records (package/extras.h) in the settings block.
bool BuildInstallerWithExtras(const String& stub, const Product& product, const String& extras, String* installer,
                              std::string* error);

// Whole-file helpers for the command line and the tests.
bool ReadFileBytes(const std::string& path, String* bytes, std::string* error);
bool WriteFileBytes(const std::string& path, const String& bytes, std::string* error);
// Creates the file, failing when anything (a planted link, say) is there
// already: for the builder's temporary files, which it reads back or renames.
bool WriteNewFileBytes(const std::string& path, const String& bytes, std::string* error);
