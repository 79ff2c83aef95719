#include "testkit/screenshot.h"

#include <windows.h>

#include <cwctype>
#include <filesystem>

#include "testkit/paths.h"
#include "testkit/wait.h"
#include "testkit/wine.h"

namespace testkit {
namespace {

bool SafeFileName(std::wstring_view name) {
  if (name.empty() || name.front() == L'.') return false;
  for (wchar_t c : name) {
    if (!(c < 0x80 && (std::iswalnum(c) || c == L'-' || c == L'_' || c == L'.'))) return false;
  }
  return true;
}

// Beside the build trees rather than in one: build/screenshots.
std::wstring ScreenshotFolder() {
  return std::filesystem::path(BuildPath(L"..\\screenshots")).lexically_normal().wstring();
}

}  // namespace

std::wstring ScreenshotPath(std::wstring_view name) {
  return ScreenshotFolder() + L"\\" + std::wstring(name) + L".png";
}

testing::AssertionResult Screenshot(std::wstring_view name) {
  if (!SafeFileName(name)) {
    return testing::AssertionFailure() << "unsuitable screenshot name \"" << std::wstring(name) << "\"";
  }
  if (!RunningUnderWine()) return testing::AssertionFailure() << "screenshots are taken only under Wine";
  std::wstring path = ScreenshotPath(name);
  CreateDirectoryW(ScreenshotFolder().c_str(), nullptr);  // Wine maps only paths whose folder exists
  std::string unix_path = UnixPath(path);
  if (unix_path.empty()) return testing::AssertionFailure() << "no Unix path for " << path;

  DeleteFileW(path.c_str());
  // Written aside and renamed, so the file appears only once it is whole.
  std::string partial = unix_path + ".part";
  std::string script = "import -window root " + ShellQuoted("png:" + partial) + " && mv " + ShellQuoted(partial) + " " +
                       ShellQuoted(unix_path);
  if (!StartUnixShell(script)) return testing::AssertionFailure() << "could not start /bin/sh";
  if (!WaitUntil([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; })) {
    return testing::AssertionFailure() << "gave up after " << kHangTimeoutMs / 1000 << " s waiting for the screenshot "
                                       << path << " (is ImageMagick installed, DISPLAY set?)";
  }
  return testing::AssertionSuccess();
}

}  // namespace testkit
