#include "builder/extract.h"

#include "actions/file_install_rules.h"

namespace {

bool StartsWith(const String& text, const char16_t* prefix, int32_t units) {
  if (text.wlength() < units) return false;
  for (int32_t i = 0; i < units; ++i) {
    if (text.AtW(i) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool ExtractedPath(const String& destination, std::string* relative) {
  static constexpr char16_t kInstall[] = u"%InstallDir%\\";
  const int32_t install_units = static_cast<int32_t>(std::size(kInstall) - 1);
  String path;
  if (StartsWith(destination, kInstall, install_units)) {
    path = String(destination.w_str() + install_units);
  } else if (StartsWith(destination, u"\\\\", 2)) {
    path = String(u"%Network%\\");
    path.Append(String(destination.w_str() + 2));
  } else if (destination.wlength() >= 2 && destination.AtW(1) == u':') {
    path = String(u"%Drive_");
    path.AppendW(destination.AtW(0));
    path.AppendW(u"%");
    path.Append(String(destination.w_str() + 2));
  } else {
    path = destination;
  }
  if (!StaysInsideFolder(path)) return false;
  *relative = Utf8(path);
  for (char& c : *relative) {
    if (c == '\\') c = '/';
  }
  return true;
}
