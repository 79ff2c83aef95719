#include <windows.h>

#include "actions/private_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/scratch_folder_wintest.h"
#include "core/wide_win.h"

namespace {

// Whether another opener gets the file with `access`, sharing everything.
bool OthersCanOpen(const String& path, DWORD access) {
  HANDLE file = CreateFileW(Wide(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool WriteAsOther(const String& path, const char* text) {
  HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  CloseHandle(file);
  return ok;
}

TEST(PrivateFile, OursIsReadBackAndOnlyReadByOthers) {
  ScratchFolder folder;
  const String where(reinterpret_cast<const char16_t*>(folder.path().c_str()));
  PrivateFile file;
  ASSERT_TRUE(file.Create(where, u"t", u".bat", String("@echo one\r\n")));
  ASSERT_TRUE(file.Write(String("@echo two\r\n")));
  String bytes;
  ASSERT_TRUE(file.ReadAll(&bytes));
  EXPECT_EQ(std::string(bytes.c_str(), bytes.length()), "@echo one\r\n@echo two\r\n");
  ASSERT_TRUE(file.Keep());
  EXPECT_TRUE(OthersCanOpen(file.path(), GENERIC_READ));
  EXPECT_FALSE(OthersCanOpen(file.path(), GENERIC_WRITE));
  EXPECT_FALSE(DeleteFileW(Wide(file.path())));
  const String path = file.path();
  file.Remove();
  EXPECT_EQ(GetFileAttributesW(Wide(path)), INVALID_FILE_ATTRIBUTES);
}

TEST(PrivateFile, AFileFilledByOthersIsWrittenByThemAndReadByUs) {
  ScratchFolder folder;
  const String where(reinterpret_cast<const char16_t*>(folder.path().c_str()));
  PrivateFile capture;
  ASSERT_TRUE(capture.Create(where, u"cap", u".log", String(), PrivateFile::Holding::kFilledByOthers));
  ASSERT_TRUE(WriteAsOther(capture.path(), "output line\r\n"));
  String bytes;
  ASSERT_TRUE(capture.ReadAll(&bytes));
  EXPECT_EQ(std::string(bytes.c_str(), bytes.length()), "output line\r\n");
  // Filled by others, but still nobody's to delete or swap while we hold it.
  EXPECT_FALSE(DeleteFileW(Wide(capture.path())));
  EXPECT_FALSE(capture.Write(String("ours")));
}

// A file given up before it was kept is gone with its handle; one released
// stays for the program that runs it.
TEST(PrivateFile, OnlyAReleasedFileOutlivesItsHandle) {
  ScratchFolder folder;
  const String where(reinterpret_cast<const char16_t*>(folder.path().c_str()));
  String dropped;
  {
    PrivateFile file;
    ASSERT_TRUE(file.Create(where, u"t", u".bat", String("@echo half")));
    dropped = file.path();
    EXPECT_NE(GetFileAttributesW(Wide(dropped)), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_EQ(GetFileAttributesW(Wide(dropped)), INVALID_FILE_ATTRIBUTES);
  PrivateFile file;
  ASSERT_TRUE(file.Create(where, u"t", u".bat", String("@echo whole")));
  const String kept = file.path();
  file.Release();
  EXPECT_TRUE(file.path().empty());
  EXPECT_NE(GetFileAttributesW(Wide(kept)), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(DeleteFileW(Wide(kept)));
}

}  // namespace
