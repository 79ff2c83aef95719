#include <windows.h>

#include "actions/batch_runner.h"
#include "actions/batch_text.h"
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
#include "records/working_log.h"

namespace {

constexpr char16_t kBatchName[] = u"SETUPBAT.BAT";
constexpr char16_t kCaptureName[] = u"cs_batch.log";
constexpr int32_t kUtf8 = 65001;
constexpr int32_t kWindows1252 = 1252;

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

void Log(Journal& journal, const String& wide) {
  const String utf8 = Utf16ToUtf8(wide);
  AppendToWorkingLog(journal.log, utf8.c_str(), utf8.length());
}

void Report(const BatchRequest& request, const String& text) {
  Journal& journal = *request.journal;
  Log(journal, FormatW(u"%s\r\n", text.w_str()));
  if (!request.silent) ShowMessage(nullptr, text.w_str(), u"Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Creates a file that must not exist yet; false with the system's error.
bool CreateNewFile(const String& path, const String& bytes) {
  HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.c_str(), static_cast<DWORD>(bytes.length()), &written,
                                              nullptr) &&
                                    written == static_cast<DWORD>(bytes.length()));
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(ok ? ERROR_SUCCESS : (error ? error : ERROR_HANDLE_DISK_FULL));
  return ok;
}

// The private folder and what lies in it, removed when the run is over.
class BatchFolder {
 public:
  BatchFolder() : folder_(TemporarySubfolder()) {}
  ~BatchFolder() {
    if (folder_.empty()) return;
    DeleteFileW(Wide(Path(kBatchName)));
    DeleteFileW(Wide(Path(kCaptureName)));
    RemoveDirectoryW(Wide(folder_));
  }
  BatchFolder(const BatchFolder&) = delete;
  BatchFolder& operator=(const BatchFolder&) = delete;

  bool made() const { return !folder_.empty(); }
  String Path(const char16_t* name) const { return JoinPath(folder_, name); }

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

void LogCapture(Journal& journal, const String& capture, bool utf8) {
  String bytes;
  HANDLE file = CreateFileW(Wide(capture), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.Append(buffer, static_cast<int32_t>(got));
  CloseHandle(file);
  if (bytes.empty()) return;
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
  BatchFolder folder;
  const String batch = folder.made() ? folder.Path(kBatchName) : String(kBatchName);
  if (!folder.made() || !CreateNewFile(batch, EncodeBatchText(text, utf8))) {
    const DWORD error = GetLastError();
    Report(request, FormatW(u"Unable to create batch file \"%s\".\r\n\r\n%s", batch.w_str(),
                            SystemErrorTextW(error).w_str()));
    return false;
  }
  String command = FormatW(u"\"%s\" /c %s", interpreter.w_str(), CommandPath(batch).w_str());
  const String capture = folder.Path(kCaptureName);
  bool capturing = false;
  if (!request.title.empty()) {
    capturing = CreateNewFile(capture, String());
    if (capturing) {
      command.AppendW(u" > ");
      command.Append(CommandPath(capture));
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
    Report(request, FormatW(u"Unable to launch batch file \"%s\".\r\n\r\n%s", batch.w_str(),
                            SystemErrorTextW(error).w_str()));
    return false;
  }
  if (capturing) LogCapture(journal, capture, utf8);
  return true;
}
