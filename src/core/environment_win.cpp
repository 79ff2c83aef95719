#include <windows.h>

#include <utility>

#include "core/environment.h"
#include "core/wide_win.h"

namespace {

// The expansion buffer that holds any ordinary text; a longer result gets a
// buffer of its own size rather than being cut.
constexpr DWORD kExpandUnits = 32000;

// Calls `fill(buffer, units)` (an API that returns the units it wrote, or the
// units it needs when the buffer is short) until the answer fits. False when
// the API fails; an empty answer is a success.
template <class Fill>
bool Receive(DWORD units, bool count_includes_zero, Fill fill, String* out) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    out->SetLengthExact(static_cast<int32_t>(units) * 2);
    const DWORD got = fill(reinterpret_cast<wchar_t*>(out->wdata()), units);
    if (got == 0) break;
    const DWORD written = count_includes_zero ? got - 1 : got;
    if (got <= units && written < units) {
      out->SetLengthTrim(static_cast<int32_t>(written) * 2);
      return true;
    }
    units = got + 1;
  }
  out->Clear();
  return false;
}

}  // namespace

String EnvironmentVariable(const char16_t* name) {
  if (!name || !name[0]) return String();
  String value;
  Receive(MAX_PATH, false, [name](wchar_t* buffer, DWORD units) {
    return GetEnvironmentVariableW(Wide(name), buffer, units);
  }, &value);
  return value;
}

bool ExpandEnvironment(String& text) {
  if (text.FindW(u'%') < 0) return true;
  const String source = text;
  String expanded;
  const bool expanded_ok = Receive(kExpandUnits, true, [&source](wchar_t* buffer, DWORD units) {
    return ExpandEnvironmentStringsW(Wide(source.w_str()), buffer, units);
  }, &expanded);
  if (!expanded_ok) return false;
  text = std::move(expanded);
  return true;
}

String CurrentFolder() {
  String folder;
  Receive(MAX_PATH, false, [](wchar_t* buffer, DWORD units) { return GetCurrentDirectoryW(units, buffer); }, &folder);
  return folder;
}

String ProgramFilePath() {
  String path;
  for (DWORD units = MAX_PATH; units <= 32768; units *= 2) {
    path.SetLengthExact(static_cast<int32_t>(units) * 2);
    const DWORD length = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.wdata()), units);
    if (length == 0) return String();
    if (length < units) {
      path.SetLengthTrim(static_cast<int32_t>(length) * 2);
      return path;
    }
  }
  return String();
}
