#include <windows.h>

#include "core/whole_file.h"

#include <gtest/gtest.h>

#include <string>

#include "core/file_errors.h"
#include "core/scratch_folder_wintest.h"

namespace {

TEST(WholeFile, RoundTrip) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"round.bin";
  const char data[] = "line one\r\nline two\0binary";
  ASSERT_EQ(WriteWholeFile(U16(name), data, sizeof(data)), kFileOk);
  String back;
  ASSERT_EQ(ReadWholeFile(U16(name), back), kFileOk);
  EXPECT_EQ(Text(back), std::string(data, sizeof(data)));
  EXPECT_EQ(back.capacity(), static_cast<int32_t>(sizeof(data)) + 2);
}

TEST(WholeFile, EmptyFilesAndUpToTheTerminator) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"empty.txt";
  PutFile(name, "old content");
  ASSERT_EQ(WriteWholeFile(U16(name), "", 0), kFileOk);  // truncates
  String back("stale");
  ASSERT_EQ(ReadWholeFile(U16(name), back), kFileOk);
  EXPECT_TRUE(back.empty());

  ASSERT_EQ(WriteWholeFile(U16(name), "text\0hidden", String::kToEnd), kFileOk);
  ASSERT_EQ(ReadWholeFile(U16(name), back), kFileOk);
  EXPECT_EQ(Text(back), "text");
}

TEST(WholeFile, EightBitNames) {
  ScratchFolder scratch;
  char narrow[MAX_PATH];
  ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, (scratch / L"ansi.txt").c_str(), -1, narrow, MAX_PATH, nullptr, nullptr),
            0);
  ASSERT_EQ(WriteWholeFile(narrow, "abc", 3), kFileOk);
  String back;
  ASSERT_EQ(ReadWholeFile(String(narrow), back), kFileOk);
  EXPECT_EQ(Text(back), "abc");
}

TEST(WholeFile, Failures) {
  ScratchFolder scratch;
  String back("stale");
  EXPECT_EQ(ReadWholeFile(U16(scratch / L"none.txt"), back), kFileNotFound);
  EXPECT_TRUE(back.empty());
  EXPECT_EQ(WriteWholeFile(u"   ", "x", 1), kFileBadName);
  EXPECT_EQ(WriteWholeFile(static_cast<const char*>(nullptr), "x", 1), kFileBadName);
  EXPECT_EQ(WriteWholeFile(U16(scratch / L"no\\folder.txt"), "x", 1), kFileNoFolder);

  // A file held open for writing without sharing cannot be read.
  const std::wstring held = scratch / L"held.txt";
  PutFile(held, "x");
  HANDLE holder = CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadWholeFile(U16(held), back), kFileLocked);
  CloseHandle(holder);
}

}  // namespace
