#include "core/registry_report_win.h"

#include "core/environment.h"
#include "core/fatal.h"
#include "core/registry_options.h"
#include "core/show_message_win.h"
#include "core/system_error_text.h"

namespace {

void AppendValueName(String* text, const String& display, const char16_t* value_name) {
  text->Append(display);
  if (value_name) text->AppendW(value_name);
}

}  // namespace

bool ReportRegistryFailure(LONG status, uint32_t options, const String& display, const char16_t* value_name) {
  if (options & kRegShowError) {
    String text;
    AppendValueName(&text, display, value_name);
    text.AppendW(u"\r\n\r\n");
    text.Append(SystemErrorTextW(static_cast<uint32_t>(status)));
    ShowMessage(nullptr, text.w_str(), u"Registry Error", MB_OK | MB_ICONERROR);
  }
  SetLastError(static_cast<DWORD>(status));
  return false;
}

void RequiredRegistryValueMissing(const String& display, const char16_t* value_name) {
  String text(u"The following registry key is required by ");
  text.Append(ProgramFileName());
  text.AppendW(u", but is invalid or does not exist:\n\n");
  AppendValueName(&text, display, value_name);
  text.AppendW(
      u"\n\nIf you have tried moving this program to a different computer by copying files, this will not "
      u"work.  This program must be reinstalled.");
  FatalMessageW(text.w_str());
}
