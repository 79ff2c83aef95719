#include "e2e/snapshot_win.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>

#include "core/redirection_win.h"
#include "testkit/wait.h"

namespace e2e {
namespace {

// What changes under Wine whatever the product does: keys (below their root,
// lower-cased) whose lines are left out of the comparison.
const wchar_t* const kAllowedKeys[] = {
    // Wine keeps its own per-session and font-cache values here.
    L"software\\wine\\",
    // Wine's display driver registers the X screen when the first window opens.
    L"system\\currentcontrolset\\control\\video\\",
    L"hardware\\devicemap\\video\\",
};

bool Allowed(const std::wstring& line) {
  if (line.compare(0, 2, L"hk") != 0) return false;
  const size_t below_root = line.find(L'\\') + 1;
  for (const wchar_t* key : kAllowedKeys) {
    if (line.compare(below_root, wcslen(key), key) == 0) return true;
  }
  return false;
}

void AddLine(std::set<std::wstring>* lines, const std::wstring& line) {
  const std::wstring lowered = Lower(line);
  if (!Allowed(lowered)) lines->insert(lowered);
}

void SnapshotFiles(const std::wstring& folder, std::set<std::wstring>* lines) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      AddLine(lines, path + L"\\");
      SnapshotFiles(path, lines);
    } else {
      AddLine(lines, path + L" " + std::to_wstring(found.nFileSizeLow));
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Keys and value names; data are left out (Wine's time stamps change them).
void SnapshotKey(HKEY root, REGSAM view, const std::wstring& path, const std::wstring& shown,
                 std::set<std::wstring>* lines) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
  AddLine(lines, shown + L"\\");
  wchar_t name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD length = 16384;
    if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    AddLine(lines, shown + L"\\:" + name);
  }
  for (DWORD i = 0;; ++i) {
    DWORD length = 16384;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    SnapshotKey(root, view, path.empty() ? name : path + L"\\" + name, shown + L"\\" + name, lines);
  }
  RegCloseKey(key);
}

uint64_t Ticks(const FILETIME& time) { return uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime; }

// Whether a self-removal batch made since this test program started is
// still in the temporary folder.
bool SelfRemovalRunning() {
  FILETIME started, unused;
  GetProcessTimes(GetCurrentProcess(), &started, &unused, &unused, &unused);
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(temp) + L"delunins-*.bat").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool running = false;
  do {
    running = running || Ticks(found.ftCreationTime) >= Ticks(started);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return running;
}

// An uninstaller's self-removal goes on after its process ended, and its
// batch file in the temporary folder is the last thing to go. Waited for,
// so that a removal still finishing (this test's or an earlier test's) is
// not taken for a difference; one that never ends still shows.
void WaitForSelfRemovals() {
  testkit::WaitUntil([] { return !SelfRemovalRunning(); });
}

// What Wine makes only on first use and Windows always has: the console
// defaults that a prefix's first console writes (the product's batches start
// one) and the shared-file counts' key. Made before the first snapshot, so
// that a test comparing with it does not depend on the tests run before.
void MakeWhatWindowsAlwaysHas() {
  static bool made = false;
  if (made) return;
  made = true;
  STARTUPINFOW startup = {sizeof(startup)};
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  wchar_t command[] = L"cmd.exe /c exit";
  if (CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup,
                     &started)) {
    WaitForSingleObject(started.hProcess, INFINITE);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", 0, nullptr, 0,
                      KEY_READ, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}

}  // namespace

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::set<std::wstring> FolderSnapshot(const std::wstring& folder) {
  std::set<std::wstring> lines;
  SnapshotFiles(folder, &lines);
  return lines;
}

std::set<std::wstring> Snapshot() {
  MakeWhatWindowsAlwaysHas();
  WaitForSelfRemovals();
  std::set<std::wstring> lines;
  {
    RedirectionGuard all_folders;  // fails harmlessly on 32-bit Windows
    SnapshotFiles(L"C:", &lines);
  }
  // On 32-bit Windows both views are the one registry.
  SnapshotKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"", L"HKLM", &lines);
  SnapshotKey(HKEY_CURRENT_USER, KEY_WOW64_64KEY, L"", L"HKCU", &lines);
  SnapshotKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"", L"HKLM32", &lines);
  SnapshotKey(HKEY_CURRENT_USER, KEY_WOW64_32KEY, L"", L"HKCU32", &lines);
  return lines;
}

std::wstring Difference(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
  std::wstring text;
  for (const std::wstring& line : after) {
    if (!before.count(line)) text += L"+ " + line + L"\n";
  }
  for (const std::wstring& line : before) {
    if (!after.count(line)) text += L"- " + line + L"\n";
  }
  return text;
}

}  // namespace e2e
