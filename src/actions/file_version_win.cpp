#include <windows.h>

#include "actions/file_install_rules.h"
#include "actions/file_version.h"
#include "core/format.h"
#include "core/system_library_win.h"
#include "core/wide_win.h"

namespace {

using SizeFunction = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using InfoFunction = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// version.dll, from the system folder only, loaded on first use.
const SystemLibrary& VersionLibrary() {
  static const SystemLibrary library(L"version.dll");
  return library;
}

}  // namespace

String FileVersion(const String& path) {
  const SystemLibrary& library = VersionLibrary();
  const auto size_of = library.Get<SizeFunction>("GetFileVersionInfoSizeW");
  const auto read = library.Get<InfoFunction>("GetFileVersionInfoW");
  const auto query = library.Get<QueryFunction>("VerQueryValueW");
  if (!size_of || !read || !query) return String();

  DWORD ignored = 0;
  const DWORD size = size_of(Wide(path), &ignored);
  if (size == 0 || size > 0x7FFFFFF0) return String();
  String block;
  block.SetLengthExact(static_cast<int32_t>(size));
  if (!read(Wide(path), 0, size, block.data())) return String();

  void* found = nullptr;
  UINT length = 0;
  if (!query(block.data(), L"\\VarFileInfo\\Translation", &found, &length) || length < 2 * sizeof(WORD)) {
    return String();
  }
  const WORD* translation = static_cast<const WORD*>(found);
  const String name = FormatW(u"\\StringFileInfo\\%04X%04X\\FileVersion", translation[0], translation[1]);
  if (!query(block.data(), Wide(name), &found, &length) || length == 0) return String();
  // The count may or may not include the closing zero.
  const char16_t* text = static_cast<const char16_t*>(found);
  int32_t units = 0;
  while (units < static_cast<int32_t>(length) && text[units] != 0) ++units;
  return CleanFileVersion(String(text, units));
}
