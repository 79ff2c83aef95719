#include <fcntl.h>
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
