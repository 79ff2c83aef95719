#include <windows.h>

#include "core/final_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file.h"
#include "core/scratch_folder_wintest.h"
#include "testkit/testkit.h"

namespace {

std::string Content(const std::wstring& name) { return testkit::ReadFileBytes(name).value_or("<unreadable>"); }

// Another user's file outside the folder we write, reached through a link
// planted at the destination or at a folder on its way.
class PlantedLink : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryW((scratch_ / L"outside").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((scratch_ / L"ours").c_str(), nullptr));
    PutFile(scratch_ / L"outside\\victim.txt", "keep me");
    ASSERT_TRUE(testkit::PlantSymbolicLink(scratch_ / L"ours\\victim.txt", scratch_ / L"outside\\victim.txt"));
    ASSERT_TRUE(testkit::PlantSymbolicLink(scratch_ / L"ours\\sub", scratch_ / L"outside"));
  }

  ScratchFolder scratch_;
};

TEST_F(PlantedLink, NoWriteOpenGoesThrough) {
  const uint32_t forms[] = {kOpenCreateOrTruncate, kOpenOrCreate, kOpenExisting, kOpenCreateOrTruncate | kOpenTruncate};
  for (const wchar_t* name : {L"ours\\victim.txt", L"ours\\sub\\victim.txt"}) {
    for (uint32_t form : forms) {
      File file;
      EXPECT_NE(file.Open(U16(scratch_ / name), form | kOpenNoRead), kFileOk) << form;
      EXPECT_EQ(GetLastError(), kErrorLeadsElsewhere);
      EXPECT_FALSE(file.IsOpen());
      EXPECT_EQ(Content(scratch_ / L"outside\\victim.txt"), "keep me");
    }
  }
  // Reading through a link stays possible, and a file of our own is written.
  File reader;
  EXPECT_EQ(reader.Open(U16(scratch_ / L"ours\\victim.txt"), kOpenExisting | kOpenNoWrite), kFileOk);
  File writer;
  ASSERT_EQ(writer.Open(U16(scratch_ / L"ours/./new.txt"), kOpenCreateOrTruncate), kFileOk);
  EXPECT_TRUE(writer.Write("new", 3));
}

// Where the system leads a 32-bit program that names the system folder is
// the folder it meant: on 64-bit Windows System32 leads to SysWOW64 and
// Sysnative to the real System32. A link planted in the folder the system
// leads to still leads elsewhere.
TEST(SystemFolder, WritesGoWhereTheSystemLeadsButLinksInsideStillDoNot) {
  struct Row {
    std::wstring named, found_in;
  };
  std::vector<Row> rows = {{testkit::SystemFolderNamed(), testkit::SystemFolderOf32BitFiles()}};
  if (testkit::On64BitWindows()) rows.push_back({testkit::NativeSystemFolder(), testkit::SystemFolderNamed()});
  for (const Row& row : rows) {
    const std::wstring name = L"\\" + testkit::UniqueName(L"BxFinalPath") + L".txt";
    File file;
    ASSERT_EQ(file.Open(U16(row.named + name), kOpenCreateOrTruncate | kOpenNoRead), kFileOk)
        << "error " << GetLastError() << " for " << testing::PrintToString(row.named + name);
    EXPECT_TRUE(file.Write("ours", 4));
    file.Close();
    // Read back with redirection off: the folder it is really in.
    void* redirection = nullptr;
    const bool off = Wow64DisableWow64FsRedirection(&redirection);
    EXPECT_EQ(Content(row.found_in + name), "ours") << testing::PrintToString(row.named);
    DeleteFileW((row.found_in + name).c_str());
    if (off) Wow64RevertWow64FsRedirection(redirection);
  }

  ScratchFolder outside;
  PutFile(outside / L"victim.txt", "keep me");
  const std::wstring link_name = L"\\" + testkit::UniqueName(L"BxPlanted");
  const std::wstring link = testkit::SystemFolderOf32BitFiles() + link_name;
  ASSERT_TRUE(testkit::PlantSymbolicLink(link, outside.path().substr(0, outside.path().size() - 1)));
  File file;
  EXPECT_NE(file.Open(U16(testkit::SystemFolderNamed() + link_name + L"\\victim.txt"), kOpenOrCreate | kOpenNoRead),
            kFileOk);
  EXPECT_EQ(GetLastError(), kErrorLeadsElsewhere);
  EXPECT_EQ(Content(outside / L"victim.txt"), "keep me");
  testkit::RemoveSymbolicLink(link);
}

// The open that no longer truncates by itself still does what the system's
// create-or-truncate did to a file that is there.
TEST(WriteOpen, ReplacesAnExistingFileAsTheSystemWould) {
  ScratchFolder scratch;
  PutFile(scratch / L"old.txt", "old and long");
  SetFileAttributesW((scratch / L"old.txt").c_str(), FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  File file;
  ASSERT_EQ(file.Open(U16(scratch / L"old.txt"), kOpenCreateOrTruncate), kFileOk);
  EXPECT_TRUE(file.Write("new", 3));
  file.Close();
  EXPECT_EQ(Content(scratch / L"old.txt"), "new");
  EXPECT_EQ(GetFileAttributesW((scratch / L"old.txt").c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});

  PutFile(scratch / L"hidden.txt", "hidden");
  SetFileAttributesW((scratch / L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_NE(file.Open(U16(scratch / L"hidden.txt"), kOpenCreateOrTruncate), kFileOk);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
  EXPECT_EQ(Content(scratch / L"hidden.txt"), "hidden");
}

}  // namespace
