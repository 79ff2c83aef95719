// The extracted files written with the host's own file calls.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "builder/extract.h"
#include "builder/verify.h"

namespace {

class FolderWriter : public EntrySink {
 public:
  explicit FolderWriter(std::string folder) : folder_(std::move(folder)) {}
  ~FolderWriter() override { Abort(); }

  bool wants_content() const override { return true; }

  bool Begin(const InstalledEntry& entry, std::string* error) override {
    std::string relative;
    if (!ExtractedPath(entry.destination, &relative)) {
      *error = "refused: entry " + std::to_string(entry.index + 1) + " would be written outside \"" + folder_ +
               "\" (" + Utf8(entry.destination) + ")";
      return false;
    }
    path_ = folder_ + "/" + relative;
    std::memcpy(date_, entry.record.date, sizeof date_);
    std::error_code failed;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), failed);
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) return Failure(error);
    ++files;
    return true;
  }

  bool Write(const ByteSpan& piece, std::string* error) override {
    if (std::fwrite(piece.data, 1, piece.length, file_) != piece.length) return Failure(error);
    bytes += piece.length;
    return true;
  }

  bool End(std::string* error) override {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) return Failure(error);
    return SetDate(error);
  }

  void Abort() override {
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(path_.c_str());
  }

  int32_t files = 0;
  uint64_t bytes = 0;

 private:
  bool Failure(std::string* error) {
    *error = "cannot write \"" + path_ + "\": " + std::strerror(errno);
    return false;
  }

  // The packaged date is the source file's time in UTC; no month, no date.
  bool SetDate(std::string* error) {
    if (date_[1] == 0) return true;
    std::tm time = {};
    time.tm_year = date_[0] - 1900;
    time.tm_mon = date_[1] - 1;
    time.tm_mday = date_[2];
    if (date_[3] >= 0) {
      time.tm_hour = date_[3];
      time.tm_min = date_[4];
      time.tm_sec = date_[5];
    }
    const struct timespec times[2] = {{timegm(&time), 0}, {timegm(&time), 0}};
    return utimensat(AT_FDCWD, path_.c_str(), times, 0) == 0 || Failure(error);
  }

  std::string folder_;
  std::string path_;
  std::FILE* file_ = nullptr;
  int32_t date_[6] = {};
};

}  // namespace

int ExtractInstaller(const ProgramFile& file, const ByteSpan& image, const std::string& folder, std::string* report) {
  InstallerContents contents;
  FolderWriter writer(folder);
  const ReadOutcome outcome = ReadInstaller(file, image, &writer, &contents);
  if (!outcome.ok()) {
    *report = FailureText(outcome) + "\n";
    return 1;
  }
  *report = "extracted " + std::to_string(writer.files) + " files, " + std::to_string(writer.bytes) +
            " bytes, into \"" + folder + "\"\n";
  return 0;
}
