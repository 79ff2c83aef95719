// An installer runs from a download folder, where anyone may have left a DLL
// named like a system library: none of the libraries setup.exe loads at run
// time may come from its own folder or from the current folder.
#include <gtest/gtest.h>

#include <string>

#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

constexpr DWORD kExitTimeoutMs = 90000;
// Every library the program loads itself after start-up (shell32 is one of
// its start-up imports, which the system loader resolves, as it does Wine's
// own).
const wchar_t* const kRunTimeLibraries[] = {L"version.dll", L"winhttp.dll", L"powrprof.dll"};
// Wine prefers its own built-in libraries to any file of the same name; a
// system would take a planted file where the search leads. The override
// makes Wine do the same for these.
const std::pair<std::wstring, std::wstring> kPreferFiles = {L"WINEDLLOVERRIDES", L"version,winhttp,powrprof=n,b"};

void Plant(const std::wstring& folder) {
  const std::wstring marker = testkit::BuildPath(L"tests/e2e/marker.dll");
  for (const wchar_t* name : kRunTimeLibraries) {
    ASSERT_TRUE(CopyFileW(marker.c_str(), (folder + L"\\" + name).c_str(), FALSE)) << "no " << name;
  }
}

std::wstring MarksIn(const std::wstring& folder) {
  std::wstring marks;
  for (const wchar_t* name : kRunTimeLibraries) {
    if (testkit::FileExists(folder + L"\\" + name + L".loaded")) marks += std::wstring(name) + L" ";
  }
  return marks;
}

TEST(PlantedLibraries, NoneBesideTheInstallerOrInTheCurrentFolderIsLoaded) {
  Product product = e2e::TestProduct(L"Planted");
  // A versioned file over an older one asks the version library.
  PackageFile versioned = FileFromBytes("tool.dll", "new", 3);
  versioned.entry.kind = 9;
  versioned.entry.version = "2.0";
  product.files.push_back(versioned);
  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_FALSE(installer.empty());
  const std::wstring downloads = e2e::TestFolder();
  const std::wstring current = downloads + L"\\Current";
  const std::wstring folder = downloads + L"\\App";
  ASSERT_TRUE(CreateDirectoryW(current.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  e2e::WriteBytes(folder + L"\\tool.dll", "old");
  Plant(downloads);
  Plant(current);

  Process process =
      Process::Start(installer, L"/silent /d:\"" + folder + L"\"", {.working_dir = current, .environment = {kPreferFiles}});
  ASSERT_TRUE(process.started());
  ASSERT_TRUE(process.WaitForExit(kExitTimeoutMs)) << testkit::DescribeWindows(process.id());
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\tool.dll"), "new");
  EXPECT_EQ(MarksIn(downloads), L"");
  EXPECT_EQ(MarksIn(current), L"");

  // The marks do show a planted library that is loaded by its path.
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  Process loader = Process::Start(std::wstring(system) + L"\\rundll32.exe", current + L"\\powrprof.dll,Nothing",
                                  {.environment = {kPreferFiles}});
  ASSERT_TRUE(loader.started());
  EXPECT_TRUE(loader.WaitForExit(kExitTimeoutMs));
  EXPECT_EQ(MarksIn(current), L"powrprof.dll ");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                 (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName))
                     .c_str());
}

}  // namespace
