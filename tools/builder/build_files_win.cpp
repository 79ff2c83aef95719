#include <sys/stat.h>

#include <cerrno>

#include "builder/build_files.h"

bool SeekFile(std::FILE* file, uint64_t offset) { return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0; }

std::FILE* OpenSourceFile(const std::string& path, uint64_t* size, std::string* error) {
  errno = 0;
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  struct _stat64 status;
  const bool opened = stream && _fstat64(_fileno(stream), &status) == 0;
  if (opened && (status.st_mode & _S_IFMT) == _S_IFREG) {
    *size = static_cast<uint64_t>(status.st_size);
    return stream;
  }
  *error = opened ? "\"" + path + "\" is no longer a plain file; build again" : FileFault("open", path);
  if (stream) std::fclose(stream);
  return nullptr;
}

InstallerImage::~InstallerImage() = default;

bool InstallerImage::Open(const std::string& path, std::string* error) {
  if (!ReadFileBytes(path, &whole_, error)) return false;
  span_ = ByteSpan{whole_.bytes(), static_cast<size_t>(whole_.length())};
  return true;
}

ProgramFile InstallerImage::program() { return MemoryProgramFile(&span_); }
