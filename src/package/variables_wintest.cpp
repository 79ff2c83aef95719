#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "core/os_facts.h"
#include "core/os_name.h"
#include "core/system_folders.h"
#include "package/product_folders.h"
#include "package/settings.h"
#include "package/variables.h"
#include "testkit/testkit.h"

namespace {

std::wstring W(const String& text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.w_str()), static_cast<size_t>(text.wlength()));
}

std::wstring Expand(const wchar_t* text) {
  String out(reinterpret_cast<const char16_t*>(text));
  ExpandVariables(out);
  return W(out);
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[32768];
  const DWORD units = GetEnvironmentVariableW(name, value, 32768);
  return units ? std::wstring(value, units) : std::wstring();
}

// What a product for either bitness sees on this Windows.
std::wstring Bits() { return testkit::On64BitWindows() ? L"64" : L"32"; }
std::wstring ProgramFiles64() {
  return testkit::On64BitWindows() ? Environment(L"ProgramW6432") : W(FolderPath(FolderSource::kProgramFiles));
}

class RunningVariables : public ::testing::Test {
 protected:
  void SetUp() override {
    folders_.install_folder = String(u"C:\\Apps\\Tool");
    SetVariableFolders(&folders_);
    settings_.DisplayName = String(u"Tool");
    SetVariableSettings(&settings_);
  }
  void TearDown() override {
    SetVariableFolders(nullptr);
    SetVariableSettings(nullptr);
  }

  ProductFolders folders_;
  ProductSettings settings_;
};

TEST_F(RunningVariables, TableValuesThenRealEnvironmentStrings) {
  EXPECT_EQ(Expand(L"%InstallDir%\\bin"), L"C:\\Apps\\Tool\\bin");
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(_wcsicmp(Expand(L"%windir%").c_str(), windows), 0);
  EXPECT_EQ(Expand(L"%NoSuchName%"), L"%NoSuchName%");
  EXPECT_EQ(Expand(L"%%InstallDir%%"), L"%C:\\Apps\\Tool%");
  ASSERT_TRUE(SetEnvironmentVariableW(L"BX_VARIABLE", L"from the environment"));
  EXPECT_EQ(Expand(L"%ProductName%: %BX_VARIABLE%"), L"Tool: from the environment");
  SetEnvironmentVariableW(L"BX_VARIABLE", nullptr);
  // A variable set to nothing expands to nothing.
  ASSERT_TRUE(SetEnvironmentVariableW(L"BX_EMPTY", L""));
  EXPECT_EQ(Expand(L"[%BX_EMPTY%]"), L"[]");
  EXPECT_EQ(Expand(L"%BX_EMPTY%"), L"");
  SetEnvironmentVariableW(L"BX_EMPTY", nullptr);
  EXPECT_EQ(Expand(L"%USERPROFILE%"), Environment(L"USERPROFILE"));
}

TEST_F(RunningVariables, SystemValuesOfThisMachine) {
  EXPECT_EQ(Expand(L"%Bits%"), Bits());
  EXPECT_EQ(Expand(L"%SystemDir%"), W(FolderPath(FolderSource::kSystem)));
  EXPECT_EQ(Expand(L"%ProgramsDir%"), W(FolderPath(FolderSource::kProgramFiles)));
  EXPECT_EQ(Expand(L"%ProgramsDir32%"), W(FolderPath(FolderSource::kProgramFiles)));
  EXPECT_EQ(Expand(L"%ProgramsDir64%"), ProgramFiles64());
  EXPECT_EQ(Expand(L"%OSName%"), W(OSName(kOsNameShort)));
  EXPECT_EQ(Expand(L"%OSMajor%"), std::to_wstring(TheOsFacts().version.major));
  wchar_t own[MAX_PATH];
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  EXPECT_EQ(Expand(L"%InstallerFilepath%"), own);
  const std::wstring folder = Expand(L"%InstallerDir%");
  EXPECT_EQ(std::wstring(own).rfind(folder + L"\\", 0), 0u);
}

TEST_F(RunningVariables, ExpansionsLongerThanTheUsualBufferAreKeptWhole) {
  wchar_t windows[MAX_PATH];
  const UINT windows_units = GetWindowsDirectoryW(windows, MAX_PATH);
  std::wstring text(31995, L'x');
  text += L"%WINDIR%";
  const std::wstring expanded = Expand(text.c_str());
  ASSERT_EQ(expanded.size(), 31995u + windows_units);
  EXPECT_EQ(_wcsicmp(expanded.substr(31995).c_str(), windows), 0);
}

TEST_F(RunningVariables, BatchLinesCarryTheRunningValues) {
  const std::wstring lines = W(BatchVariableLines());
  EXPECT_EQ(lines.rfind(L"SET \"InstallDir=C:\\Apps\\Tool\"\r\nSET \"Bits=" + Bits() + L"\"\r\n", 0), 0u);
  EXPECT_NE(lines.find(L"SET \"ProductName=Tool\"\r\n"), std::wstring::npos);
  EXPECT_NE(lines.find(L"\r\nSET InstallDrive=C:\r\n"), std::wstring::npos);
  EXPECT_NE(lines.find(L"\r\nSET OSName=" + W(OSName(kOsNameShort)) + L"\r\n"), std::wstring::npos);
}

}  // namespace
