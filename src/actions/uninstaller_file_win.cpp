#include <windows.h>

#include "actions/file_writer.h"
#include "actions/uninstall_registration.h"
#include "core/file_errors.h"
#include "core/file.h"
#include "core/system_error_text.h"
#include "package/program_copy.h"
#include "records/failure_summary.h"

namespace {

// The stripped program, written like any installed file: an old uninstaller
// that is running is staged for the restart (treated as existing, so that
// the writer may stage it). Attributes 0: a plain file.
bool WriteStrippedProgram(const FileWriteRules& rules, const String& path, const String& program) {
  bool pending = false;
  return WritePackagedFile(rules, path, program.c_str(), program.length(), FileDate{}, 0, true, &pending);
}

// The running installer, read a block at a time, so that an installer of any
// size (2 GiB and more too) is copied in the memory of one block. A read
// that fails or ends early stops the content and is remembered: the writer
// would otherwise take the shorter file for the whole.
class InstallerContent final : public FileContent {
 public:
  static constexpr int32_t kBlock = File::kWritePiece;

  // kFileOk when the file opened and its size is known.
  int Open(const String& path) {
    const int code = file_.Open(path.w_str(), kOpenExisting | kOpenNoWrite | kOpenShareRead);
    if (code != kFileOk) return code;
    length_ = file_.Size();
    if (length_ < 0) return kFileNotLoaded;
    block_.SetLength(kBlock);
    return kFileOk;
  }
  int64_t length() const override { return length_; }
  void Rewind() override {
    given_ = 0;
    if (!file_.SeekTo(0)) Fail();
  }
  ByteSpan Next() override {
    if (error_ != ERROR_SUCCESS || given_ >= length_) return {nullptr, 0};
    const int32_t size = static_cast<int32_t>(length_ - given_ < kBlock ? length_ - given_ : kBlock);
    if (!file_.ReadExact(block_.data(), size)) {
      Fail();
      return {nullptr, 0};
    }
    given_ += size;
    return {reinterpret_cast<const uint8_t*>(block_.bytes()), static_cast<size_t>(size)};
  }
  // The system's error of a failed read, ERROR_SUCCESS when all went well.
  uint32_t error() const override { return error_; }

 private:
  void Fail() {
    error_ = GetLastError();
    if (error_ == ERROR_SUCCESS) error_ = ERROR_READ_FAULT;
  }

  File file_;
  String block_;
  int64_t length_ = 0;
  int64_t given_ = 0;
  DWORD error_ = ERROR_SUCCESS;
};

void ReportCopyFailure(const FileWriteRules& rules, const String& path, DWORD error) {
  String text = WriteFailureHead(rules.write_failed, path);
  text.Append(SystemTextBlock(SystemErrorTextW(error)));
  AddFailureW(*rules.journal, text.w_str());
}

// Without a stripped image the installer itself becomes the uninstaller,
// written like any installed file: never through a link at the
// destination, and an old running one staged for the restart. A copy cut
// short by a failed read is neither left behind as an uninstaller nor
// queued for the restart.
bool CopyInstaller(const FileWriteRules& rules, const String& path, const String& installer_path) {
  InstallerContent content;
  if (content.Open(installer_path) != kFileOk) {
    ReportCopyFailure(rules, path, GetLastError());
    return false;
  }
  // A read that fails part-way fails the write (reported by the writer with
  // the read's error): nothing is moved into place or queued for the restart.
  bool pending = false;
  return WritePackagedFile(rules, path, content, FileDate{}, 0, true, &pending);
}

}  // namespace

bool PlaceUninstaller(const FileWriteRules& rules, const String& path, const ProgramCopy* program, const String& installer_path,
                      const String& icon) {
  if (!program || program->stripped.empty()) return CopyInstaller(rules, path, installer_path);
  if (!WriteStrippedProgram(rules, path, program->stripped)) return false;
  if (!icon.empty()) ReplaceProgramIcon(*rules.journal, path, icon);
  return true;
}
