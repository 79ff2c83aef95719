#include "e2e/installer_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "builder/build_files.h"
#include "builder/package_writer.h"
#include "core/codepage.h"
#include "testkit/testkit.h"

namespace e2e {

std::wstring Wide(const String& text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.w_str()), static_cast<size_t>(text.wlength()));
}

String FromWide(const std::wstring& text) {
  String out;
  out.AssignW(reinterpret_cast<const char16_t*>(text.c_str()), static_cast<int32_t>(text.size()));
  return out;
}

std::wstring TestFolder() {
  static std::string test_seen;
  static std::wstring folder;
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  const std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : std::string();
  if (folder.empty() || test != test_seen) {
    folder = testkit::ScratchDir();
    test_seen = test;
  }
  return folder;
}

Product TestProduct(const std::wstring& stem) {
  const std::wstring name = testkit::UniqueName(stem);
  return DefaultProduct(FromWide(name), String(u"1.0"));
}

std::string Narrow(const std::wstring& path) { return Utf16ToUtf8(FromWide(path)).c_str(); }

std::string ReadBytes(const std::wstring& path) {
  String bytes;
  std::string error;
  EXPECT_TRUE(ReadFileBytes(Narrow(path), &bytes, &error)) << error;
  return std::string(bytes.c_str(), static_cast<size_t>(bytes.length()));
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::string error;
  EXPECT_TRUE(WriteFileBytes(Narrow(path), String(bytes.data(), static_cast<int32_t>(bytes.size())), &error))
      << error;
}

std::wstring BuildInstallerFile(const Product& product, const std::wstring& file_name) {
  String stub;
  std::string error;
  if (!ReadFileBytes(Narrow(testkit::SetupExe()), &stub, &error)) {
    ADD_FAILURE() << "setup.exe: " << error;
    return std::wstring();
  }
  String installer;
  if (!BuildInstaller(stub, product, &installer, &error)) {
    ADD_FAILURE() << "the builder refused: " << error;
    return std::wstring();
  }
  const std::wstring path = TestFolder() + L"\\" + file_name;
  EXPECT_TRUE(WriteFileBytes(Narrow(path), installer, &error)) << error;
  return path;
}

DWORD RunToEnd(const std::wstring& program, const std::wstring& arguments, DWORD timeout_ms) {
  testkit::Process process = testkit::Process::Start(program, arguments);
  EXPECT_TRUE(process.started());
  EXPECT_TRUE(process.WaitForExit(timeout_ms)) << "still running; windows: " << testkit::DescribeWindows(process.id());
  return process.ExitCode();
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace e2e
