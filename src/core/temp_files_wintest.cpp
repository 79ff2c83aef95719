#include <windows.h>

#include "core/temp_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/file.h"
#include "core/scratch_folder_wintest.h"
#include "testkit/testkit.h"

namespace {

std::wstring W(const String& s) { return std::wstring(reinterpret_cast<const wchar_t*>(s.w_str())); }

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

TEST(TemporaryFiles, TheFolderEndsInABackslashAndExists) {
  const std::wstring folder = W(TemporaryFolder());
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  EXPECT_TRUE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(TemporaryFiles, NewFilesAreEmptyUniqueAndPrefixed) {
  ScratchFolder scratch;
  const std::wstring first = W(TemporaryFileName(U16(scratch.path())));
  const std::wstring second = W(TemporaryFileName(U16(scratch.path())));
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(first.compare(0, scratch.path().size(), scratch.path()), 0);
  EXPECT_EQ(FileNameOf(first).compare(0, 3, L"QKT"), 0);
  EXPECT_TRUE(Exists(first));
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(first.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 0u);

  const std::wstring bare = W(TemporaryFileName(U16(scratch.path()), u""));
  EXPECT_NE(FileNameOf(bare).compare(0, 3, L"QKT"), 0);
}

TEST(TemporaryFiles, AFolderThatCannotTakeOneFallsBackToTheTemporaryFolder) {
  ScratchFolder scratch;
  const std::wstring made = W(TemporaryFileName(U16(scratch / L"missing\\")));
  ASSERT_FALSE(made.empty());
  const std::wstring temporary = W(TemporaryFolder());
  EXPECT_EQ(made.compare(0, temporary.size(), temporary), 0);
  DeleteFileW(made.c_str());
}

TEST(TemporaryFiles, SubfoldersAreNewEmptyFolders) {
  ScratchFolder scratch;
  const std::wstring folder = W(TemporarySubfolder(U16(scratch.path())));
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_NE(W(TemporarySubfolder(U16(scratch.path()))), folder);
}

bool IsFreshName(const std::wstring& file_name, const std::wstring& prefix) {
  if (file_name.size() != prefix.size() + 16 + 4 || file_name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::wstring digits = file_name.substr(prefix.size(), 16);
  return digits.find_first_not_of(L"0123456789ABCDEF") == std::wstring::npos &&
         file_name.compare(prefix.size() + 16, 4, L".tmp") == 0;
}

TEST(TemporaryFiles, NamesCarryRandomBitsAndNeverRepeat) {
  ScratchFolder scratch;
  std::vector<std::wstring> names;
  for (int i = 0; i < 40; ++i) {
    names.push_back(W(TemporaryFileName(U16(scratch.path()))));
    EXPECT_TRUE(IsFreshName(FileNameOf(names.back()), L"QKT")) << names.back().c_str();
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
  const std::wstring folder = W(TemporarySubfolder(U16(scratch.path())));
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(IsFreshName(FileNameOf(folder.substr(0, folder.size() - 1)), L"QKT")) << folder.c_str();
}

// The form the working log is made with: another process of the same user
// that planted files at every name the system's tick-count scheme would
// hand out next finds none of them opened, and the log is written through
// the handle that made it.
TEST(TemporaryFiles, ANewTemporaryFileIsMadeExclusivelyAndKeptOpen) {
  const std::wstring folder = W(TemporaryFolder());
  std::vector<std::wstring> planted;
  const DWORD start = GetTickCount() & 0xFFFF;
  for (DWORD i = 0; i < 64; ++i) {
    wchar_t name[32];
    wsprintfW(name, L"QKT%X.tmp", (start + i) & 0xFFFF);
    if (Exists(folder + name)) continue;
    planted.push_back(folder + name);
    PutFile(planted.back(), "planted");
  }
  File file;
  ASSERT_EQ(file.Open(String(), kOpenNewTemporary), kFileOk);
  const std::wstring made = W(file.wname());
  EXPECT_TRUE(IsFreshName(FileNameOf(made), L"QKT")) << made.c_str();
  EXPECT_EQ(made.compare(0, folder.size(), folder), 0);
  EXPECT_TRUE(file.Write("ours", 4));
  file.Close();
  EXPECT_EQ(testkit::ReadFileBytes(made).value_or(""), "ours");
  DeleteFileW(made.c_str());
  for (const std::wstring& name : planted) {
    EXPECT_EQ(testkit::ReadFileBytes(name).value_or(""), "planted") << name.c_str();
    DeleteFileW(name.c_str());
  }
}

// Beside a destination: no prefix, and never somewhere else.
TEST(TemporaryFiles, AFileBesideStaysInItsFolder) {
  ScratchFolder scratch;
  File file;
  ASSERT_EQ(file.Open(U16(scratch.path()), kOpenNewTemporaryBeside), kFileOk);
  EXPECT_TRUE(IsFreshName(FileNameOf(W(file.wname())), L""));
  EXPECT_EQ(W(file.wname()).compare(0, scratch.path().size(), scratch.path()), 0);
  file.Close();
  EXPECT_NE(file.Open(U16(scratch / L"missing\\"), kOpenNewTemporaryBeside), kFileOk);
}

}  // namespace
