#include "core/registry_report_win.h"

#include "core/fatal.h"
#include "core/registry_options.h"

namespace {

// The system's text for an error number, without its closing line break.
String SystemText(LONG status) {
  wchar_t* buffer = nullptr;
  const DWORD units = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(status), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer),
      0, nullptr);
  DWORD end = units;
  while (end > 0 && (buffer[end - 1] == L' ' || buffer[end - 1] == L'\r' || buffer[end - 1] == L'\n')) --end;
  String text(reinterpret_cast<const char16_t*>(buffer), static_cast<int32_t>(end));
  if (buffer) LocalFree(buffer);
  return text;
}

void AppendValueName(String* text, const String& display, const char16_t* value_name) {
  text->Append(display);
  if (value_name) text->AppendW(value_name);
}

// The program's file name, which the required-value message names.
String ProgramName() {
  wchar_t path[MAX_PATH] = {};
  const DWORD units = GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD start = units < MAX_PATH ? units : 0;
  while (start > 0 && path[start - 1] != L'\\') --start;
  return String(reinterpret_cast<const char16_t*>(path + start));
}

}  // namespace

bool ReportRegistryFailure(LONG status, uint32_t options, const String& display, const char16_t* value_name) {
  if (options & kRegShowError) {
    String text;
    AppendValueName(&text, display, value_name);
    text.AppendW(u"\r\n\r\n");
    text.Append(SystemText(status));
    MessageBoxW(nullptr, WideText(text.w_str()), L"Registry Error", MB_OK | MB_ICONERROR);
  }
  SetLastError(static_cast<DWORD>(status));
  return false;
}

void RequiredRegistryValueMissing(const String& display, const char16_t* value_name) {
  String text(u"The following registry key is required by ");
  text.Append(ProgramName());
  text.AppendW(u", but is invalid or does not exist:\n\n");
  AppendValueName(&text, display, value_name);
  text.AppendW(
      u"\n\nIf you have tried moving this program to a different computer by copying files, this will not "
      u"work.  This program must be reinstalled.");
  FatalMessageW(text.w_str());
}
