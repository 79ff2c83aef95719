// A fresh folder under the temporary folder for one test, removed with all
// its contents when the test ends.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "core/temp_files.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    const String made = TemporarySubfolder();
    EXPECT_FALSE(made.empty()) << "no scratch folder";
    path_.assign(reinterpret_cast<const wchar_t*>(made.w_str()), static_cast<size_t>(made.wlength()));
  }
  ~ScratchFolder() {
    if (path_.empty()) return;
    std::wstring list = path_.substr(0, path_.size() - 1);  // without the trailing backslash
    list.push_back(0);                                       // a list ended by two zeros
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationW(&operation);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder with its trailing backslash, or a name inside it.
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const wchar_t* name) const { return path_ + name; }

 private:
  std::wstring path_;
};

inline const char16_t* U16(const std::wstring& text) { return reinterpret_cast<const char16_t*>(text.c_str()); }

// Writes a file with the given bytes through the system directly, so that the
// tests of the file layer do not depend on it.
inline void PutFile(const std::wstring& name, const std::string& bytes) {
  HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(handle);
  ASSERT_EQ(written, bytes.size());
}

inline bool Exists(const std::wstring& name) { return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }
