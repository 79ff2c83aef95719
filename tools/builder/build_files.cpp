#include "builder/build_files.h"

#include <cerrno>
#include <cstring>

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
