#include "builder/signing.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "builder/build_files.h"
#include "builder/package_writer.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/extras.h"
#include "package/program_copy.h"
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

// The program copy the runtime makes of an installer, given its file (`image`
// being its bytes as far as they are read) and settings.
bool RuntimeCopy(const ProgramFile& file, const ByteSpan& image, const ProductSettings& settings, bool keep_stripped,
                 ProgramCopy* copy, std::string* error) {
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

// The uninstaller as the runtime would make it of an installer held in memory.
bool StrippedCopyOf(const String& installer, const ProductSettings& settings, String* copy, std::string* error) {
  copy->Clear();
  if (!settings.Flag2(product_flag2::kStrippedCopy)) return true;
  ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
  ProgramCopy made;
  if (!RuntimeCopy(MemoryProgramFile(&image), image, settings, true, &made, error)) return false;
  *copy = static_cast<String&&>(made.stripped);
  return true;
}

// The uninstaller is the program's head with the package taken out, the
// same whatever the files: a draft without them gives it quickly, in little
// memory. The uninstaller is signed through `scratch`, and its signature goes
// into *extras for the installer to carry.
bool SignUninstaller(const String& stub, const Product& product, const std::string& command,
                     const std::string& scratch, String* extras, String* signed_uninstaller, std::string* error) {
  Product draft;
  draft.settings = product.settings;
  // In-section file data needs no file, which enciphered data after it would.
  draft.settings.FileDataOutside = 0;
  draft.languages = product.languages;
  draft.options = product.options;
  draft.options.file_packed = nullptr;
  draft.branding = product.branding;
  String installer, uninstaller, record;
  if (!BuildInstaller(stub, draft, &installer, error) ||
      !StrippedCopyOf(installer, draft.settings, &uninstaller, error)) {
    return false;
  }
  extras->Clear();
  *signed_uninstaller = uninstaller;
  if (uninstaller.empty()) return true;
  if (!SignBytes(command, scratch, signed_uninstaller, error) ||
      !CarriedSignatureOf(uninstaller, *signed_uninstaller, &record, error)) {
    return false;
  }
  AppendExtra(extras, extras_tag::kUninstallerSignature, record.bytes(), static_cast<size_t>(record.length()));
  return true;
}

// Checks the signed installer at `path` the way the runtime reads it: its
// package must still be found whole, and the uninstaller it leaves must be
// the signed one.
bool CheckSignedInstaller(const std::string& path, const ProductSettings& settings,
                          const String& signed_uninstaller, uint64_t* size, std::string* error) {
  InstallerImage installer;
  if (!installer.Open(path, error)) return false;
  const ProgramFile file = installer.program();
  ProgramCopy left;
  if (!RuntimeCopy(file, installer.bytes(), settings, settings.Flag2(product_flag2::kStrippedCopy), &left, error)) {
    return false;
  }
  if (!(left.stripped == signed_uninstaller)) {
    return Fail(error, "the signed installer would not leave the signed uninstaller; the signing command may change "
                       "more than the signature");
  }
  *size = file.size;
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
#if defined(_WIN32)
    const std::string how = "failed with exit code " + std::to_string(status);
#else
    // system() gives a wait status: the exit code, or the signal that ended it.
    const std::string how = status == -1          ? "could not be run"
                            : WIFEXITED(status)   ? "failed with exit code " + std::to_string(WEXITSTATUS(status))
                            : WIFSIGNALED(status) ? "was ended by signal " + std::to_string(WTERMSIG(status))
                                                  : "failed (status " + std::to_string(status) + ")";
#endif
    return Fail(error, "the signing command " + how + ": " + line);
  }
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    std::fclose(file);
    return true;
  }
  return Fail(error, "the signing command left no file at " + path + ": " + line);
}

bool UninstallerOf(const String& installer, const ProductSettings& settings, String* copy, std::string* error) {
  return StrippedCopyOf(installer, settings, copy, error);
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
                          const std::string& scratch, const std::string& path, uint64_t* size, std::string* error) {
  String extras, signed_uninstaller;
  if (!SignUninstaller(stub, product, command, scratch, &extras, &signed_uninstaller, error)) return false;
  InstallerFile file;
  bool ok = file.Create(path, error) && BuildInstallerTo(stub, product, extras, &file, size, error);
  ok = file.Close(ok ? error : nullptr) && ok;
  return ok && RunSignCommand(command, path, error) &&
         CheckSignedInstaller(path, product.settings, signed_uninstaller, size, error);
}
