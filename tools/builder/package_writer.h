// Writing the installation package and putting it into setup.exe. The only
// writer of packages: tests build their installers through it too, and damage
// its output on purpose when they need a broken one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "builder/product.h"
#include "core/string.h"

// The most stored file data one installer carries: the header records its
// length as a signed 32-bit number.
inline constexpr uint64_t kMaxStoredFileData = 0x7FFFFFFF;

// Where an installer is written: bytes at offsets, in any order, the gaps
// left reading as zeros.
class InstallerOutput {
 public:
  virtual ~InstallerOutput() = default;
  // Fails with the file and the system's reason.
  virtual bool WriteAt(uint64_t offset, const uint8_t* data, size_t length, std::string* error) = 0;
};

// Checks that `stub`, read from `path`, is this runtime's setup.exe and
// whole: a PE program, every section's data within the file, with the
// runtime's marker. Fails naming the path, whether the file is cut short,
// not a PE program or another program, and what to do about it.
bool CheckRuntimeStub(const String& stub, const std::string& path, std::string* error);

// Builds the installer: `stub` (setup.exe as built) with the product's
// package added as its ".setup" section. The result is the same, byte for
// byte, for the same stub and product.
bool BuildInstaller(const String& stub, const Product& product, String* installer, std::string* error);
// The same, carrying extras records (package/extras.h) in the settings block.
bool BuildInstallerWithExtras(const String& stub, const Product& product, const String& extras, String* installer,
                              std::string* error);
// The same, written to `out` as it is made: the files are read, coded and
// written a few blocks at a time, so that memory stays bounded whatever the
// product's size. *size is the installer's length.
bool BuildInstallerTo(const String& stub, const Product& product, const String& extras, InstallerOutput* out,
                      uint64_t* size, std::string* error);
