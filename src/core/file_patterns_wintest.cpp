#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/empty_folder.h"
#include "core/file_patterns.h"
#include "core/scratch_folder_wintest.h"

namespace {

String S(const std::wstring& text) { return String(reinterpret_cast<const char16_t*>(text.c_str())); }
std::wstring W(const String& text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.w_str()), static_cast<size_t>(text.wlength()));
}

// scratch\a.txt (3), b.log (5), sub\c.txt (11), sub\deeper\d.txt (13)
void MakeTree(const ScratchFolder& scratch) {
  PutFile(scratch / L"a.txt", "aaa");
  PutFile(scratch / L"b.log", "bbbbb");
  ASSERT_TRUE(CreateDirectoryW((scratch / L"sub").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((scratch / L"sub\\deeper").c_str(), nullptr));
  PutFile(scratch / L"sub\\c.txt", "ccccccccccc");
  PutFile(scratch / L"sub\\deeper\\d.txt", "ddddddddddddd");
}

struct Expansion {
  Array<String> files;
  String errors;
  int64_t total = -1;
  int32_t result = 0;

  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const String& file : files) names.push_back(W(file));
    return names;
  }
};

Expansion Expand(const std::wstring& text, uint32_t options = 0, const wchar_t* folder = nullptr) {
  Expansion out;
  const String lines = S(text);
  PatternRequest request;
  request.lines = &lines;
  request.output = &out.files;
  request.default_folder = reinterpret_cast<const char16_t*>(folder);
  request.errors = &out.errors;
  request.total_size = &out.total;
  request.options = options;
  out.result = ExpandFilePatterns(request);
  return out;
}

TEST(ExpandFilePatterns, WildcardsAndSubfoldersOnARealTree) {
  ScratchFolder scratch;
  MakeTree(scratch);
  const Expansion found = Expand(scratch.path() + L"*.txt /s;" + scratch.path() + L"b.log", kPatternSortAscending);
  EXPECT_EQ(found.result, 4);
  EXPECT_EQ(found.Names(), (std::vector<std::wstring>{scratch / L"a.txt", scratch / L"b.log",
                                                      scratch / L"sub\\c.txt", scratch / L"sub\\deeper\\d.txt"}));
  EXPECT_EQ(found.total, 3 + 5 + 11 + 13);
  EXPECT_EQ(Text(found.errors), "");
}

TEST(ExpandFilePatterns, RelativeEntriesEnvironmentAndMessages) {
  ScratchFolder scratch;
  MakeTree(scratch);
  ASSERT_TRUE(SetEnvironmentVariableW(L"BX_PATTERN_DIR", (scratch.path() + L"sub").c_str()));
  const std::wstring text = L"*.log\r\n%BX_PATTERN_DIR%\\c.txt\r\n" + scratch.path() + L"*.doc\r\n" +
                            scratch.path() + L"A.TXT;a.txt\r\nmissing.txt";
  const Expansion found = Expand(text, 0, scratch.path().c_str());
  EXPECT_EQ(found.Names(),
            (std::vector<std::wstring>{scratch / L"b.log", scratch / L"sub\\c.txt", scratch / L"a.txt"}));
  const std::string folder = Text(Utf16ToUtf8(S(scratch.path())));
  EXPECT_EQ(Text(Utf16ToUtf8(found.errors)),
            "The file specification \"" + folder + "*.doc\" on line 3 does not match any files.\r\n"
            "The file \"" + folder + "a.txt\" occurs more than once.\r\n"
            "The file \"missing.txt\" on line 5 does not exist.\r\n");
  SetEnvironmentVariableW(L"BX_PATTERN_DIR", nullptr);
}

TEST(ExpandFilePatterns, MissingDefaultFolderAndNotAbsolute) {
  ScratchFolder scratch;
  const std::wstring gone = scratch / L"gone";
  const Expansion found = Expand(L"x.txt", 0, gone.c_str());
  EXPECT_EQ(Text(Utf16ToUtf8(found.errors)),
            "The default path \"" + Text(Utf16ToUtf8(S(gone))) + "\" does not exist.\r\n"
            "The file \"x.txt\" does not exist.\r\n");
  EXPECT_EQ(Text(Utf16ToUtf8(Expand(L"x.txt").errors)),
            "The file specification \"x.txt\" is not an absolute path.  Please include the drive and directory.\r\n");
}

TEST(RemoveFolderIfEmpty, OnlyFoldersWithNothingOfTheUsersLeft) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateDirectoryW((scratch / L"shell").c_str(), nullptr));
  PutFile(scratch / L"shell\\desktop.ini", "[.ShellClassInfo]");
  PutFile(scratch / L"shell\\Thumbs.db", "t");
  EXPECT_TRUE(RemoveFolderIfEmpty(U16(scratch / L"shell\\")));
  EXPECT_FALSE(Exists(scratch / L"shell"));

  ASSERT_TRUE(CreateDirectoryW((scratch / L"kept").c_str(), nullptr));
  PutFile(scratch / L"kept\\desktop.ini", "[.ShellClassInfo]");
  PutFile(scratch / L"kept\\notes.txt", "mine");
  EXPECT_FALSE(RemoveFolderIfEmpty(U16(scratch / L"kept")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(Exists(scratch / L"kept\\desktop.ini"));  // nothing was touched

  ASSERT_TRUE(CreateDirectoryW((scratch / L"nested").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((scratch / L"nested\\inner").c_str(), nullptr));
  EXPECT_FALSE(RemoveFolderIfEmpty(U16(scratch / L"nested")));
  EXPECT_TRUE(RemoveFolderIfEmpty(U16(scratch / L"nested\\inner")));
  EXPECT_TRUE(RemoveFolderIfEmpty(U16(scratch / L"nested")));

  EXPECT_FALSE(RemoveFolderIfEmpty(U16(scratch / L"never")));
  EXPECT_FALSE(RemoveFolderIfEmpty(u""));
  EXPECT_FALSE(RemoveFolderIfEmpty(u"C:\\"));
}

}  // namespace
