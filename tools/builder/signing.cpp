#include "builder/signing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "builder/package_writer.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/extras.h"
#include "package/locator.h"
#include "package/writer.h"

namespace {

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string WithFile(const std::string& command, const std::string& path) {
  std::string result;
  const std::string quoted = ShellQuoted(path);
  for (size_t i = 0; i < command.size();) {
    if (command.compare(i, 6, "{file}") == 0) {
      result += quoted;
      i += 6;
    } else {
      result += command[i++];
    }
  }
  return result;
}

// Signs `bytes` through a file at `path`, which is removed again.
bool SignBytes(const std::string& command, const std::string& path, String* bytes, std::string* error) {
  bool ok = WriteNewFileBytes(path, *bytes, error) && RunSignCommand(command, path, error) &&
            ReadFileBytes(path, bytes, error);
  std::remove(path.c_str());
  return ok;
}

// The program copy the runtime makes, given its file and settings.
bool RuntimeCopy(const String& installer, const ProductSettings& settings, bool keep_stripped, ProgramCopy* copy,
                 std::string* error) {
  ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
  ProgramFile file = MemoryProgramFile(&image);
  LocateResult located = LocatePackageSection(file);
  if (located.outcome != LocateOutcome::kFound) return Fail(error, "the installer's package cannot be found");
  ByteSpan section = SectionBytesInImage(image, located.section);
  HeaderResult header = ReadPackageHeader(section);
  if (header.outcome != HeaderOutcome::kOk) return Fail(error, "the installer's package header cannot be read");
  ProgramCopyRequest request;
  request.verify_checksum = settings.Flag(product_flag::kCheckProgramChecksum);
  request.keep_stripped = keep_stripped;
  request.file_data_after_section = settings.FileDataOutside != 0;
  FileData data;
  if (LocateFileData(file, located.section, section, header.header, request.file_data_after_section, &data) !=
          FileDataOutcome::kOk ||
      CheckFileData(data.stored, header.header.file_data_checksum) != kCorruptNone) {
    return Fail(error, "the installer's file data is no longer whole");
  }
  int code = PrepareProgramCopy(file, located.section, header.header, request, copy);
  if (code != kCorruptNone) {
    return Fail(error, "the installer would report itself corrupt (code " + std::to_string(code) + ")");
  }
  return true;
}

uint32_t SecurityEntry(const String& image, uint32_t pe, int field) {
  return LoadLe32(image.bytes() + pe + kPeSecurityEntryOffset + field * 4);
}

}  // namespace

bool RunSignCommand(const std::string& command, const std::string& path, std::string* error) {
  const std::string line = WithFile(command, path);
  std::fflush(nullptr);
  int status = std::system(line.c_str());
  if (status != 0) {
    return Fail(error, "the signing command failed (status " + std::to_string(status) + "): " + line);
  }
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    std::fclose(file);
    return true;
  }
  return Fail(error, "the signing command left no file at " + path + ": " + line);
}

bool UninstallerOf(const String& installer, const ProductSettings& settings, String* copy, std::string* error) {
  copy->Clear();
  if (!settings.Flag2(product_flag2::kStrippedCopy)) return true;
  ProgramCopy made;
  if (!RuntimeCopy(installer, settings, true, &made, error)) return false;
  *copy = made.stripped;
  return true;
}

bool CarriedSignatureOf(const String& unsigned_copy, const String& signed_copy, String* record,
                        std::string* error) {
  const size_t length = static_cast<size_t>(unsigned_copy.length());
  const uint32_t pe = LoadLe16(unsigned_copy.bytes() + kDosPeOffsetField);
  const size_t security = size_t{pe} + kPeSecurityEntryOffset;
  if (security + kPeSecurityEntrySize > length || static_cast<size_t>(signed_copy.length()) <= length) {
    return Fail(error, "the signing command did not sign the uninstaller");
  }
  const uint32_t table = SecurityEntry(signed_copy, pe, 0);
  const uint32_t size = SecurityEntry(signed_copy, pe, 1);
  if (table < length || table - length >= kCertificateAlignment || size == 0 ||
      uint64_t{table} + size != static_cast<uint64_t>(signed_copy.length())) {
    return Fail(error, "the signing command did not append one certificate table to the uninstaller");
  }
  // Apart from the fields signing fills in, the signed bytes must be the copy's.
  String expected = unsigned_copy;
  std::memcpy(expected.data() + pe + kPeCheckSumFieldOffset, signed_copy.bytes() + pe + kPeCheckSumFieldOffset, 4);
  std::memcpy(expected.data() + security, signed_copy.bytes() + security, kPeSecurityEntrySize);
  for (size_t i = length; i < table; ++i) {
    if (signed_copy.bytes()[i] != 0) return Fail(error, "the signing command changed the uninstaller's end");
  }
  if (std::memcmp(expected.bytes(), signed_copy.bytes(), length) != 0) {
    return Fail(error, "the signing command changed the uninstaller beyond its signature");
  }
  record->Clear();
  PackageWriter writer(record);
  writer.WriteU32(LoadLe32(signed_copy.bytes() + pe + kPeCheckSumFieldOffset));
  writer.WriteU32(static_cast<uint32_t>(table - length));
  writer.WriteBytes(signed_copy.bytes() + table, size);
  return true;
}

bool BuildSignedInstaller(const String& stub, const Product& product, const std::string& command,
                          const std::string& scratch, String* installer, std::string* error) {
  String draft, uninstaller, extras;
  Product quiet = product;  // the draft is not reported as packing
  quiet.options.file_packed = nullptr;
  if (!BuildInstaller(stub, quiet, &draft, error) || !UninstallerOf(draft, product.settings, &uninstaller, error)) {
    return false;
  }
  String signed_uninstaller = uninstaller;
  if (!uninstaller.empty()) {
    String record;
    if (!SignBytes(command, scratch, &signed_uninstaller, error) ||
        !CarriedSignatureOf(uninstaller, signed_uninstaller, &record, error)) {
      return false;
    }
    AppendExtra(&extras, extras_tag::kUninstallerSignature, record.bytes(), static_cast<size_t>(record.length()));
  }
  String result, left;
  if (!BuildInstallerWithExtras(stub, product, extras, &result, error) ||
      !SignBytes(command, scratch, &result, error) ||
      !UninstallerOf(result, product.settings, &left, error)) {
    return false;
  }
  // Also proves the package still reads whole after signing.
  ProgramCopy whole;
  if (!RuntimeCopy(result, product.settings, false, &whole, error)) return false;
  if (!(left == signed_uninstaller)) {
    return Fail(error, "the signed installer would not leave the signed uninstaller; the signing command may change "
                       "more than the signature");
  }
  *installer = static_cast<String&&>(result);
  return true;
}
