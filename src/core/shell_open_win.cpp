#include <windows.h>
#include <shellapi.h>

#include "core/codepage.h"
#include "core/file_ops.h"
#include "core/process_win.h"
#include "core/wide_win.h"

namespace {

const wchar_t* WideOrNull(const char16_t* text) { return text && *text ? Wide(text) : nullptr; }

constexpr char kUtf8Mark = '|';
constexpr char kFileUrl[] = "file:///";

int32_t Execute(const char16_t* file, const char16_t* parameters, const char16_t* folder, const char16_t* verb,
                int show) {
  return static_cast<int32_t>(reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, WideOrNull(verb), Wide(file), WideOrNull(parameters), WideOrNull(folder), show)));
}

// An 8-bit file or folder text: UTF-8 after the mark, else the ANSI code page.
String Unmarked(const char* text) {
  if (!text) return String();
  return text[0] == kUtf8Mark ? Utf8ToUtf16(text + 1) : AnsiToUtf16(text);
}

bool Exists(const String& wide) { return GetAttributes(wide.w_str()) != kNoAttributes; }

// The file a "file:///" address names: the rest as it stands when that
// exists, else the rest URL-decoded, read as ANSI when that exists and as
// UTF-8 otherwise.
String FileUrlPath(const char* rest) {
  String path = AnsiToUtf16(rest);
  if (Exists(path)) return path;
  const String decoded = DecodeUrl(rest);
  path = AnsiToUtf16(decoded);
  if (Exists(path)) return path;
  return Utf8ToUtf16(decoded);
}

}  // namespace

bool ShellOpenW(const char16_t* file, const char16_t* parameters, const char16_t* folder, const char16_t* verb,
                int show) {
  if (!file || !*file) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  int32_t answer = Execute(file, parameters, folder, verb, show);
  if (RetryShellElevated(answer, verb)) answer = Execute(file, parameters, folder, u"runas", show);
  return answer > kShellLastFailure;
}

bool ShellOpen(const char* file, const char* parameters, const char* folder, const char* verb, int show) {
  if (!file || !*file) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  const String wide_file = String(file).StartsWith(kFileUrl, true) ? FileUrlPath(file + sizeof(kFileUrl) - 1)
                                                              : Unmarked(file);
  const String wide_parameters = parameters ? AnsiToUtf16(parameters) : String();
  const String wide_verb = verb ? AnsiToUtf16(verb) : String();
  return ShellOpenW(wide_file.w_str(), wide_parameters.w_str(), Unmarked(folder).w_str(), wide_verb.w_str(), show);
}
