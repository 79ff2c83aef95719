#include "actions/batch_text.h"

#include "core/codepage.h"

namespace {

constexpr int32_t kWindows1252 = 1252;

bool IsAsciiText(const String& wide) {
  for (int32_t i = 0; i < wide.wlength(); ++i) {
    if (wide.AtW(i) >= 0x80) return false;
  }
  return true;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

String EncodeBatchText(const String& wide, bool utf8_console) {
  if (utf8_console && !IsAsciiText(wide)) {
    String bytes("@chcp 65001 >nul\r\n");
    bytes.Append(Utf16ToUtf8(wide));
    return bytes;
  }
  String bytes("@chcp 1252 >nul\r\n");
  bytes.Append(FromUtf16(wide.w_str(), wide.wlength(), kWindows1252));
  return bytes;
}

bool IsPauseCommand(const String& line) {
  String command = line;
  command.TrimW(u" \t\r\n");
  if (command.wlength() > 0 && command.AtW(0) == u'@') command.DeleteW(0, 1);
  command.TrimStartW(u" \t");
  if (!command.StartsWithW(u"pause", true)) return false;
  return command.wlength() == 5 || IsBlank(command.AtW(5));
}

String WithoutPauseLines(const String& commands) {
  String kept;
  int32_t start = 0;
  const int32_t end = commands.wlength();
  while (start < end) {
    int32_t stop = commands.FindW(u'\n', start);
    stop = stop < 0 ? end : stop + 1;
    const String line(commands.w_str() + start, stop - start);
    if (!IsPauseCommand(line)) kept.Append(line);
    start = stop;
  }
  return kept;
}
