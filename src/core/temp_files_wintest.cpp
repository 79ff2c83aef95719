#include <windows.h>

#include "core/temp_files.h"

#include <gtest/gtest.h>

#include <string>

#include "core/scratch_folder_wintest.h"

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

}  // namespace
