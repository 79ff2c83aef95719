#include "records/marked_path.h"

#include "core/codepage.h"

bool IsPureAscii(const char* text, int32_t bytes) {
  for (int32_t i = 0; i < bytes; ++i) {
    if (static_cast<uint8_t>(text[i]) >= 0x80) return false;
  }
  return true;
}

String MarkPath(const char16_t* wide, int32_t units) {
  if (wide == nullptr) return String();
  if (units == String::kToEnd) units = TextLengthW(wide);
  if (units <= 0) return String();
  bool ascii = true;
  for (int32_t i = 0; i < units && ascii; ++i) ascii = wide[i] < 0x80;
  if (ascii) {
    String narrow;
    narrow.SetLengthExact(units);
    for (int32_t i = 0; i < units; ++i) narrow.data()[i] = static_cast<uint8_t>(wide[i]);
    return narrow;
  }
  String marked(&kUtf8PathMark, 1);
  marked.Append(Utf16ToUtf8(wide, units));
  return marked;
}

String MarkPath(const String& wide) { return MarkPath(wide.w_str(), wide.wlength()); }

String UnmarkPath(const char* text, int32_t bytes) {
  if (text == nullptr) return String();
  if (bytes == String::kToEnd) bytes = TextLength(text);
  if (bytes > 0 && text[0] == kUtf8PathMark) return Utf8ToUtf16(text + 1, bytes - 1);
  return AnsiToUtf16(text, bytes);
}

String UnmarkPath(const String& text) { return UnmarkPath(text.c_str(), text.length()); }
