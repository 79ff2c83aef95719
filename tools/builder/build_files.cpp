#include "builder/build_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

std::string SystemReason() { return errno ? std::string(": ") + std::strerror(errno) : std::string(); }

std::string FileFault(const char* what, const std::string& path) {
  if (errno == 0) errno = EIO;
  return std::string("cannot ") + what + " \"" + path + "\": " + std::strerror(errno);
}

InstallerFile::~InstallerFile() {
  if (file_) std::fclose(file_);
}

bool InstallerFile::Create(const std::string& path, std::string* error) {
  path_ = path;
  errno = 0;
  file_ = std::fopen(path.c_str(), "wbx");
  if (file_) return true;
  if (error) *error = FileFault("create", path);
  return false;
}

bool InstallerFile::WriteAt(uint64_t offset, const uint8_t* data, size_t length, std::string* error) {
  errno = 0;
  if (SeekFile(file_, offset) && std::fwrite(data, 1, length, file_) == length) return true;
  if (error) *error = FileFault("write", path_);
  return false;
}

bool InstallerFile::Close(std::string* error) {
  errno = 0;
  std::FILE* file = file_;
  file_ = nullptr;
  if (file && std::fclose(file) == 0) return true;
  if (error) *error = FileFault("write", path_);
  return false;
}

bool ReadFileBytes(const std::string& path, String* bytes, std::string* error) {
  bytes->Clear();
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return Fail(error, "cannot open \"" + path + "\"" + SystemReason());
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && size < String::kToEnd - 2 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok && size > 0) {
    bytes->SetLengthExact(static_cast<int32_t>(size));
    ok = std::fread(bytes->data(), 1, static_cast<size_t>(size), file) == static_cast<size_t>(size);
  }
  if (!ok && errno == 0 && std::ferror(file)) errno = EIO;
  std::fclose(file);
  if (!ok) {
    bytes->Clear();
    return Fail(error, "cannot read \"" + path + "\"" + SystemReason());
  }
  return true;
}

namespace {

bool WriteWithMode(const std::string& path, const char* mode, const String& bytes, std::string* error) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (!file) return Fail(error, "cannot create \"" + path + "\"" + SystemReason());
  const size_t length = static_cast<size_t>(bytes.length());
  bool ok = std::fwrite(bytes.bytes(), 1, length, file) == length;
  ok = std::fclose(file) == 0 && ok;
  if (!ok) return Fail(error, "cannot write \"" + path + "\"" + SystemReason());
  return true;
}

}  // namespace

bool WriteFileBytes(const std::string& path, const String& bytes, std::string* error) {
  return WriteWithMode(path, "wb", bytes, error);
}

bool WriteNewFileBytes(const std::string& path, const String& bytes, std::string* error) {
  return WriteWithMode(path, "wbx", bytes, error);
}

