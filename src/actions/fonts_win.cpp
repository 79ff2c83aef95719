#include <windows.h>

#include "actions/fonts.h"
#include "core/os_facts.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "records/log_writers.h"

namespace {

// How long one window may take to answer the font-change message.
constexpr UINT kBroadcastTimeoutMs = 2000;

}  // namespace

bool RegisterFont(Journal& journal, const String& display_name, const String& file_name, const String& path) {
  bool ok = true;
  RegistryKey key;
  const char16_t* fonts_key = IsNT() ? kFontsKeyNT : kFontsKey9x;
  if (key.Open(RegRoot::kLocalMachine, fonts_key, 0, kRegWriteAccess, RegView::kDefault) == RegistryKey::kFailed ||
      !key.WriteText(display_name.w_str(), file_name, 0)) {
    const String reason = LastErrorTextW();
    LogTextW(journal, u"Failed to register font \"", display_name, u"\": ");
    LogTextW(journal, reason);
    LogTextW(journal, u"\r\n");
    ok = false;
  }
  if (AddFontResourceW(reinterpret_cast<const wchar_t*>(path.w_str())) == 0) {
    LogTextW(journal, u"Failed to add font resource \"", path, u"\"\r\n");
    ok = false;
  }
  return ok;
}

bool FontRegistered(const String& display_name) {
  RegistryKey key;
  return key.Open(RegRoot::kLocalMachine, IsNT() ? kFontsKeyNT : kFontsKey9x, kRegOpenOnly | kRegNoStack, kRegReadAccess,
                  RegView::kDefault) != RegistryKey::kFailed &&
         key.ValueExists(display_name.w_str());
}

void BroadcastFontChange() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kBroadcastTimeoutMs,
                      &ignored);
}
