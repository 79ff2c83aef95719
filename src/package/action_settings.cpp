#include "package/action_settings.h"

#include "core/string_compare.h"

namespace {

struct Slot {
  const char16_t* name;
  String ActionSettings::*field;
};

const Slot kSlots[] = {
    {u"AddToPathSubfolder", &ActionSettings::path_subfolder},
    {u"PinCommand", &ActionSettings::pin_command},
    {u"PinName", &ActionSettings::pin_name},
    {u"RootShortcutCommand", &ActionSettings::root_shortcut_command},
    {u"RootShortcutName", &ActionSettings::root_shortcut_name},
};
constexpr char16_t kIconName[] = u"DesktopFolderIcon";

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool FromHex(const String& text, String* bytes) {
  if (text.wlength() % 2 != 0) return false;
  for (int32_t i = 0; i < text.wlength(); i += 2) {
    const int high = HexDigit(text.w_str()[i]);
    const int low = HexDigit(text.w_str()[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->Append(static_cast<char>(high << 4 | low));
  }
  return true;
}

bool NameIs(const String& name, const char16_t* known) { return CompareNoCaseW(name, String(known)) == 0; }

bool TakeLine(const String& name, const String& value, ActionSettings* out) {
  for (const Slot& slot : kSlots) {
    if (NameIs(name, slot.name)) {
      out->*slot.field = value;
      return true;
    }
  }
  if (!NameIs(name, kIconName)) return true;
  out->desktop_folder_icon.Clear();
  return FromHex(value, &out->desktop_folder_icon);
}

void AppendLine(String* text, const char16_t* name, const String& value) {
  text->AppendW(name);
  text->AppendW(u'=');
  text->Append(value);
  text->AppendW(u"\r\n");
}

}  // namespace

bool ReadActionSettings(const String& text, ActionSettings* out) {
  bool ok = true;
  for (int32_t start = 0; start < text.wlength();) {
    int32_t end = text.FindAnyOfW(u"\r\n", start);
    if (end < 0) end = text.wlength();
    const String line(text.w_str() + start, end - start);
    start = end + 1;
    const int32_t equals = line.FindW(u'=');
    if (equals <= 0) continue;
    String name(line.w_str(), equals);
    name.TrimW();
    String value(line.w_str() + equals + 1);
    value.TrimW();
    ok = TakeLine(name, value, out) && ok;
  }
  return ok;
}

String WriteActionSettings(const ActionSettings& settings) {
  String text;
  for (const Slot& slot : kSlots) {
    if (!(settings.*slot.field).empty()) AppendLine(&text, slot.name, settings.*slot.field);
  }
  if (!settings.desktop_folder_icon.empty()) {
    String hex;
    const char16_t digits[] = u"0123456789ABCDEF";
    for (int32_t i = 0; i < settings.desktop_folder_icon.length(); ++i) {
      hex.AppendW(digits[settings.desktop_folder_icon.bytes()[i] >> 4]);
      hex.AppendW(digits[settings.desktop_folder_icon.bytes()[i] & 15]);
    }
    AppendLine(&text, kIconName, hex);
  }
  return text;
}
