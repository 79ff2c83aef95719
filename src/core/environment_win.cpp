#include <windows.h>

#include <utility>

#include "core/environment.h"

namespace {

// The expansion buffer that holds any ordinary text; a longer result gets a
// buffer of its own size rather than being cut.
constexpr DWORD kExpandUnits = 32000;

wchar_t* Wide(String& text) { return reinterpret_cast<wchar_t*>(text.wdata()); }
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Calls `fill(buffer, units)` (an API that returns the units it wrote, or the
// units it needs when the buffer is short) until the answer fits.
template <class Fill>
String Receive(DWORD units, bool count_includes_zero, Fill fill) {
  String out;
  for (int attempt = 0; attempt < 4; ++attempt) {
    out.SetLengthExact(static_cast<int32_t>(units) * 2);
    const DWORD got = fill(Wide(out), units);
    if (got == 0) return String();
    const DWORD written = count_includes_zero ? got - 1 : got;
    if (got <= units && written < units) {
      out.SetLength(static_cast<int32_t>(written) * 2);
      return out;
    }
    units = got + 1;
  }
  return String();
}

}  // namespace

String EnvironmentVariable(const char16_t* name) {
  if (!name || !name[0]) return String();
  return Receive(MAX_PATH, false, [name](wchar_t* buffer, DWORD units) {
    return GetEnvironmentVariableW(Wide(name), buffer, units);
  });
}

bool ExpandEnvironment(String& text) {
  if (text.FindW(u'%') < 0) return true;
  const String source = text;
  String expanded = Receive(kExpandUnits, true, [&source](wchar_t* buffer, DWORD units) {
    return ExpandEnvironmentStringsW(Wide(source.w_str()), buffer, units);
  });
  if (expanded.empty() && !source.empty()) return false;
  text = std::move(expanded);
  return true;
}

String CurrentFolder() {
  return Receive(MAX_PATH, false, [](wchar_t* buffer, DWORD units) { return GetCurrentDirectoryW(units, buffer); });
}

String ProgramFilePath() {
  String path;
  for (DWORD units = MAX_PATH; units <= 32768; units *= 2) {
    path.SetLengthExact(static_cast<int32_t>(units) * 2);
    const DWORD length = GetModuleFileNameW(nullptr, Wide(path), units);
    if (length == 0) return String();
    if (length < units) {
      path.SetLength(static_cast<int32_t>(length) * 2);
      return path;
    }
  }
  return String();
}
