#include <windows.h>

#include "e2e/snapshot_win.h"

#include <cwchar>

namespace e2e {
namespace {

// What changes under Wine whatever the product does; each entry is a prefix
// of the snapshot lines (lower-cased) that are left out of the comparison.
const wchar_t* const kAllowed[] = {
    // Wine keeps its own per-session and font-cache values here.
    L"hkcu\\software\\wine\\",
    L"hklm\\software\\wine\\",
    // Wine's display driver registers the X screen when the first window opens.
    L"hklm\\system\\currentcontrolset\\control\\video\\",
};

bool Allowed(const std::wstring& line) {
  for (const wchar_t* prefix : kAllowed) {
    if (line.compare(0, wcslen(prefix), prefix) == 0) return true;
  }
  return false;
}

}  // namespace

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

namespace {

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
void SnapshotKey(HKEY root, const std::wstring& path, const std::wstring& shown, std::set<std::wstring>* lines) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
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
    SnapshotKey(root, path.empty() ? name : path + L"\\" + name, shown + L"\\" + name, lines);
  }
  RegCloseKey(key);
}

}  // namespace

std::set<std::wstring> Snapshot() {
  std::set<std::wstring> lines;
  SnapshotFiles(L"C:", &lines);
  SnapshotKey(HKEY_LOCAL_MACHINE, L"", L"HKLM", &lines);
  SnapshotKey(HKEY_CURRENT_USER, L"", L"HKCU", &lines);
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
