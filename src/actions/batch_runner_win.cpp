#include <windows.h>

#include "actions/batch_runner.h"
#include "actions/batch_text.h"
#include "actions/private_file.h"
#include "core/codepage.h"
#include "core/command_interpreter.h"
#include "core/file_errors.h"
#include "core/format.h"
#include "core/os_facts.h"
#include "core/path_rules.h"
#include "core/process_win.h"
#include "core/show_message_win.h"
#include "core/system_error_text.h"
#include "core/temp_files.h"
#include "core/wide_win.h"
#include "records/working_log.h"

namespace {

constexpr char16_t kBatchStem[] = u"SETUPBAT";
constexpr char16_t kBatchExtension[] = u".BAT";
constexpr char16_t kCaptureStem[] = u"cs_batch";
constexpr char16_t kCaptureExtension[] = u".log";
constexpr int32_t kUtf8 = 65001;
constexpr int32_t kWindows1252 = 1252;

void Log(Journal& journal, const String& wide) {
  const String utf8 = Utf16ToUtf8(wide);
  AppendToWorkingLog(journal.log, utf8.c_str(), utf8.length());
}

void Report(const BatchRequest& request, const String& text) {
  Journal& journal = *request.journal;
  Log(journal, FormatW(u"%s\r\n", text.w_str()));
  if (!request.silent) ShowMessage(nullptr, text.w_str(), u"Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// The private folder, removed when the run is over; the files in it are
// PrivateFiles that go before it.
class BatchFolder {
 public:
  BatchFolder() : folder_(TemporarySubfolder()) {}
  ~BatchFolder() {
    if (!folder_.empty()) RemoveDirectoryW(Wide(folder_));
  }
  BatchFolder(const BatchFolder&) = delete;
  BatchFolder& operator=(const BatchFolder&) = delete;

  bool made() const { return !folder_.empty(); }
  const String& path() const { return folder_; }

 private:
  String folder_;
};

// A path for the command line: its short form, in quotes if it still has a
// blank.
String CommandPath(const String& path) {
  String shown = ShortPath(path.w_str());
  if (shown.FindW(u' ') < 0) return shown;
  return FormatW(u"\"%s\"", shown.w_str());
}

void LogCapture(Journal& journal, PrivateFile& capture, bool utf8) {
  String bytes;
  if (!capture.ReadAll(&bytes) || bytes.empty()) return;
  const String wide = ToUtf16(bytes.c_str(), bytes.length(), utf8 ? kUtf8 : kWindows1252);
  Log(journal, FormatW(u"%s\r\n", wide.w_str()));
}

}  // namespace

bool RunBatch(const BatchRequest& request) {
  if (request.commands.empty()) return true;
  Journal& journal = *request.journal;
  if (!request.title.empty()) Log(journal, FormatW(u"\r\nRunning %s...\r\n", request.title.w_str()));
  const String interpreter = CommandInterpreter();
  if (GetFileAttributesW(Wide(interpreter)) == INVALID_FILE_ATTRIBUTES) {
    Log(journal, FormatW(u"The CLI %s does not exist!\r\n", interpreter.w_str()));
    return false;
  }
  const String text = BatchText(request);
  const bool utf8 = WindowsAtLeast(6, 1) && EncodeBatchText(text, true).StartsWith("@chcp 65001");
  // Declared after the folder, so that the files go before it.
  BatchFolder folder;
  PrivateFile batch;
  if (!folder.made() || !batch.Create(folder.path(), kBatchStem, kBatchExtension, EncodeBatchText(text, utf8))) {
    const DWORD error = GetLastError();
    const String name = FormatW(u"%s%s", kBatchStem, kBatchExtension);
    const String shown = folder.made() ? JoinPath(folder.path(), name.w_str()) : name;
    Report(request, FormatW(u"Unable to create batch file \"%s\".\r\n\r\n%s", shown.w_str(),
                            SystemErrorTextW(error).w_str()));
    return false;
  }
  // The interpreter opens the batch while we hold it.
  batch.Keep();
  String command = InterpreterCommandLine(interpreter, ShortPath(batch.path().w_str()));
  PrivateFile capture;
  bool capturing = false;
  if (!request.title.empty()) {
    capturing = capture.Create(folder.path(), kCaptureStem, kCaptureExtension, String(),
                               PrivateFile::Holding::kFilledByOthers);
    if (capturing) {
      command.AppendW(u" > ");
      command.Append(CommandPath(capture.path()));
    } else {
      Log(journal, FormatW(u"Failed to create batch output capture file.  %s\r\n", SystemErrorTextW(GetLastError()).w_str()));
    }
  }
  const bool hidden = request.hide_console || request.silent;
  const String folder_path = request.working_folder.empty() ||
                                     GetFileAttributesW(Wide(request.working_folder)) == INVALID_FILE_ATTRIBUTES
                                 ? TemporaryFolder()
                                 : request.working_folder;
  const uint32_t flags = kRunWait | kRunPumpMessages | (hidden ? kRunShowHidden : 0u);
  if (RunProcess(command.w_str(), flags, folder_path.w_str()) == kRunNotStarted) {
    const DWORD error = GetLastError();
    Report(request, FormatW(u"Unable to launch batch file \"%s\".\r\n\r\n%s", batch.path().w_str(),
                            SystemErrorTextW(error).w_str()));
    return false;
  }
  if (capturing) LogCapture(journal, capture, utf8);
  return true;
}
