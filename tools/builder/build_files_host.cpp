#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "builder/build_files.h"

bool SeekFile(std::FILE* file, uint64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

std::FILE* OpenSourceFile(const std::string& path, uint64_t* size, std::string* error) {
  errno = 0;
  // Without blocking, so that a pipe put where a file was cannot hang the build.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat status;
  const bool opened = fd >= 0 && fstat(fd, &status) == 0;
  if (opened && !S_ISREG(status.st_mode)) {
    *error = "\"" + path + "\" is no longer a plain file; build again";
  } else if (std::FILE* stream = opened ? fdopen(fd, "rb") : nullptr) {
    *size = static_cast<uint64_t>(status.st_size);
    return stream;
  } else {
    *error = FileFault("open", path);
  }
  if (fd >= 0) close(fd);
  return nullptr;
}

namespace {

bool ReadFileAt(void* context, uint64_t offset, void* out, size_t count) {
  const int fd = *static_cast<const int*>(context);
  auto* bytes = static_cast<uint8_t*>(out);
  while (count > 0) {
    const ssize_t got = pread(fd, bytes, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    offset += static_cast<uint64_t>(got);
    count -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

InstallerImage::~InstallerImage() {
  if (span_.data != nullptr) munmap(const_cast<uint8_t*>(span_.data), span_.length);
  if (fd_ >= 0) close(fd_);
}

bool InstallerImage::Open(const std::string& path, std::string* error) {
  errno = 0;
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status;
  if (fd_ < 0 || fstat(fd_, &status) != 0) {
    *error = FileFault("open", path);
    return false;
  }
  const size_t size = static_cast<size_t>(status.st_size);
  if (size == 0) return true;
  void* view = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd_, 0);
  if (view == MAP_FAILED) {
    *error = FileFault("map", path);
    return false;
  }
  span_ = ByteSpan{static_cast<const uint8_t*>(view), size};
  return true;
}

ProgramFile InstallerImage::program() { return ProgramFile{&ReadFileAt, &fd_, span_.length}; }
