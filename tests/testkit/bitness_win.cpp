#include <windows.h>

#include "testkit/bitness.h"

namespace testkit {

bool On64BitWindows() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring SystemFolderNamed() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

std::wstring SystemFolderOf32BitFiles() {
  if (!On64BitWindows()) return SystemFolderNamed();
  wchar_t folder[MAX_PATH] = {};
  GetSystemWow64DirectoryW(folder, MAX_PATH);
  return folder;
}

std::wstring NativeSystemFolder() {
  if (!On64BitWindows()) return std::wstring();
  wchar_t folder[MAX_PATH] = {};
  GetWindowsDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\Sysnative";
}

std::string OnlyOn64Bit(const char* why) { return std::string("only on 64-bit Windows: ") + why; }
std::string OnlyOn32Bit(const char* why) { return std::string("only on 32-bit Windows: ") + why; }

}  // namespace testkit
