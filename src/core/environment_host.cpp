#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <utility>

#include "core/codepage.h"
#include "core/environment.h"

// The host's own environment stands in for the system's. Names are looked
// up as given; the host does not fold their case as Windows does.

String EnvironmentVariable(const char16_t* name) {
  if (!name || !name[0]) return String();
  const char* value = std::getenv(Utf16ToUtf8(name).c_str());
  return value ? Utf8ToUtf16(value) : String();
}

bool ExpandEnvironment(String& text) {
  String out;
  int32_t i = 0;
  const int32_t units = text.wlength();
  while (i < units) {
    const int32_t open = text.FindW(u'%', i);
    const int32_t close = open < 0 ? -1 : text.FindW(u'%', open + 1);
    if (close < 0) break;
    out.AppendW(text.w_str() + i, open - i);
    const String name(text.w_str() + open + 1, close - open - 1);
    const char* value = name.empty() ? nullptr : std::getenv(Utf16ToUtf8(name).c_str());
    if (value) {
      out.Append(Utf8ToUtf16(value));
      i = close + 1;
    } else {
      // The closing sign may open the next name.
      out.AppendW(text.w_str() + open, close - open);
      i = close;
    }
  }
  out.AppendW(text.w_str() + i, units - i);
  text = std::move(out);
  return true;
}

String CurrentFolder() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? Utf8ToUtf16(buffer) : String();
}

String ProgramFilePath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? Utf8ToUtf16(buffer, static_cast<int32_t>(n)) : String();
}
