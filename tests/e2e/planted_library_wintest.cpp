// An installer runs from a download folder, where anyone may have left a DLL
// named like a system library: none of the libraries setup.exe loads at run
// time may come from its own folder or from the current folder.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "core/format.h"
#include "e2e/installer_win.h"
#include "net/loopback_listener_wintest.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

// Every library the program loads itself after start-up, and every system
// library it binds itself instead of importing it (the loader would look for
// those beside the program first). kernel32 and the C runtime stay imports:
// they are needed before the program's first line.
const wchar_t* const kRunTimeLibraries[] = {
    L"version.dll", L"winhttp.dll",  L"powrprof.dll", L"advapi32.dll", L"comctl32.dll", L"comdlg32.dll",
    L"gdi32.dll",   L"ole32.dll",    L"oleaut32.dll", L"shell32.dll",  L"shlwapi.dll",  L"user32.dll"};

// Wine prefers its own built-in libraries to any file of the same name; a
// system would take a planted file where the search leads. This program's
// overrides make Wine do the same for these libraries, for the time of the
// test.
class PreferFiles {
 public:
  explicit PreferFiles(const std::wstring& program)
      : key_(L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides") {
    for (const wchar_t* name : kRunTimeLibraries) {
      const std::wstring stem(name, wcslen(name) - 4);
      const wchar_t order[] = L"native,builtin";
      RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), stem.c_str(), REG_SZ, order, sizeof order);
    }
  }
  ~PreferFiles() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

 private:
  std::wstring key_;
};

// Under Wine, with files preferred, version.dll is already pulled in from
// the program's folder by Wine's own libraries' imports before the program
// starts, which no code of ours can change: beside the installer it is not
// planted.
void Plant(const std::wstring& folder, bool beside_installer) {
  const std::wstring marker = testkit::BuildPath(L"tests/e2e/marker.dll");
  for (const wchar_t* name : kRunTimeLibraries) {
    if (beside_installer && std::wstring(name) == L"version.dll") continue;
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
  // The launch notification goes through the network libraries.
  Listener listener;
  ASSERT_NE(listener.port(), 0);
  product.settings.LaunchNotifyURL = FormatW(u"http://127.0.0.1:%d/planted", listener.port());
  const std::wstring installer = e2e::BuildInstallerFile(product, L"setup-planted.exe");
  const PreferFiles prefer_installer(L"setup-planted.exe");
  const PreferFiles prefer_loader(L"rundll32.exe");
  ASSERT_FALSE(installer.empty());
  const std::wstring downloads = e2e::TestFolder();
  const std::wstring current = downloads + L"\\Current";
  const std::wstring folder = downloads + L"\\App";
  ASSERT_TRUE(CreateDirectoryW(current.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  e2e::WriteBytes(folder + L"\\tool.dll", "old");
  Plant(downloads, true);
  Plant(current, false);

  Process process =
      Process::Start(installer, L"/silent /d:\"" + folder + L"\"", {.working_dir = current});
  ASSERT_TRUE(process.started());
  const std::string request = listener.AcceptOneRequest(testkit::kHangTimeoutMs);
  EXPECT_EQ(request.rfind("GET /planted HTTP/1.1\r\n", 0), 0u) << request;
  ASSERT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\tool.dll"), "new");
  EXPECT_EQ(MarksIn(downloads), L"");
  EXPECT_EQ(MarksIn(current), L"");

  // The marks do show a planted library that is loaded by its path.
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  Process loader = Process::Start(std::wstring(system) + L"\\rundll32.exe", current + L"\\powrprof.dll,Nothing");
  ASSERT_TRUE(loader.started());
  EXPECT_TRUE(loader.WaitForExit());
  EXPECT_EQ(MarksIn(current), L"powrprof.dll ");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                 (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName))
                     .c_str());
}

}  // namespace
