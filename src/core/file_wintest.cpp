#include <windows.h>

#include "core/file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/scratch_folder_wintest.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A handle that holds the file without sharing anything, as another program would.
HANDLE HoldExclusively(const std::wstring& name) {
  return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(FileOpen, ReadsBackWhatWasWritten) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"data.bin";
  File file;
  ASSERT_EQ(file.Open(U16(name), kOpenCreateOrTruncate), kFileOk);
  ASSERT_TRUE(file.Write("hello world", 11));
  ASSERT_TRUE(file.SeekTo(6));
  char block[5];
  ASSERT_TRUE(file.ReadExact(block, 5));
  EXPECT_EQ(std::string(block, 5), "world");
  EXPECT_EQ(file.Size(), 11);
  EXPECT_FALSE(file.ReadExact(block, 1));
  EXPECT_EQ(Text(file.error()), "Read past end of file");
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(file.wname().w_str())), name);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
}

TEST(FileOpen, EightBitNamesUseTheAnsiCodePage) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"plain.txt";
  PutFile(name, "abc");
  char narrow[MAX_PATH];
  ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, narrow, MAX_PATH, nullptr, nullptr), 0);
  File file;
  ASSERT_EQ(file.Open(String(narrow), kOpenExisting | kOpenNoWrite), kFileOk);
  EXPECT_EQ(Text(file.name()), narrow);
  EXPECT_EQ(file.Size(), 3);
}

TEST(FileOpen, EmptyNameIsRefused) {
  File file;
  EXPECT_EQ(file.Open(u"", 0), kFileBadName);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_FALSE(file.error().empty());
  EXPECT_EQ(file.Open(u"x", 0xA0000000u), kFileBadParameter);  // a name form this layer does not know
}

TEST(FileOpen, MissingFilesFoldersAndDrives) {
  ScratchFolder scratch;
  File file;
  EXPECT_EQ(file.Open(U16(scratch / L"none.txt"), kOpenExisting), kFileNotFound);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(file.Open(U16(scratch / L"none\\x.txt"), kOpenExisting), kFileNoFolder);

  const DWORD drives = GetLogicalDrives();
  wchar_t letter = 0;
  for (wchar_t c = L'Q'; c <= L'Y' && !letter; ++c) {
    if (!(drives & (1u << (c - L'A')))) letter = c;
  }
  ASSERT_NE(letter, 0) << "every drive letter is mapped";
  const std::wstring on_missing_drive = std::wstring(1, letter) + L":\\folder\\file.txt";
  EXPECT_EQ(file.Open(U16(on_missing_drive), kOpenExisting), kFileNoDrive);
}

TEST(FileOpen, CreateNewRefusesAnExistingFile) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"there.txt";
  PutFile(name, "x");
  File file;
  EXPECT_EQ(file.Open(U16(name), kOpenCreateNew), kFileExists);
}

TEST(FileOpen, AFolderCannotBeOpenedAsAFile) {
  ScratchFolder scratch;
  File file;
  EXPECT_EQ(file.Open(U16(scratch.path()), kOpenExisting), kFileAccessDenied);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(FileOpen, WritingAReadOnlyFileGivesItsOwnCode) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"locked.txt";
  PutFile(name, "x");
  ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE probe = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    // Wine run by root opens read-only files for writing all the same.
    CloseHandle(probe);
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "the system lets read-only files be written";
  }
  File file;
  const int code = file.Open(U16(name), kOpenExisting);
  const DWORD error = GetLastError();
  EXPECT_EQ(code, kFileReadOnly);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));  // the system's error is kept
  EXPECT_EQ(file.Open(U16(name), kOpenExisting | kOpenNoWrite), kFileOk);
  file.Close();
  SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileOpen, AFileHeldByAnotherIsWaitedForThenReportedLocked) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"busy.txt";
  PutFile(name, "x");
  HANDLE holder = HoldExclusively(name);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  File file;

  Clock::time_point start = Clock::now();
  EXPECT_EQ(file.Open(U16(name), kOpenExisting), kFileLocked);
  EXPECT_GE(MillisecondsSince(start), 450);  // five waits of 100 ms
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

  start = Clock::now();
  EXPECT_EQ(file.Open(U16(name), kOpenExisting | kOpenNoSharingWait), kFileLocked);
  EXPECT_LT(MillisecondsSince(start), 400);
  CloseHandle(holder);
  EXPECT_EQ(file.Open(U16(name), kOpenExisting | kOpenNoSharingWait), kFileOk);
}

DWORD WINAPI LetGoLater(void* held) {
  Sleep(200);
  CloseHandle(static_cast<HANDLE>(held));
  return 0;
}

TEST(FileOpen, AFileLetGoOfWhileWaitingIsOpened) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"brief.txt";
  PutFile(name, "x");
  HANDLE holder = HoldExclusively(name);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  // Let go of the file after 200 ms, within the waits of the open.
  HANDLE timer_thread = CreateThread(nullptr, 0, &LetGoLater, holder, 0, nullptr);
  ASSERT_NE(timer_thread, nullptr);
  File file;
  EXPECT_EQ(file.Open(U16(name), kOpenExisting), kFileOk);
  WaitForSingleObject(timer_thread, INFINITE);
  CloseHandle(timer_thread);
}

TEST(FileOpen, SharingFlagsLetTwoOpenersIn) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"shared.txt";
  PutFile(name, "abc");
  File reader;
  File second;
  ASSERT_EQ(reader.Open(U16(name), kOpenExisting | kOpenNoWrite | kOpenShareRead), kFileOk);
  // A reader that shares reading also lets a writer in.
  EXPECT_EQ(second.Open(U16(name), kOpenExisting | kOpenShareRead | kOpenShareWrite | kOpenNoSharingWait),
            kFileOk);
  second.Close();
  reader.Close();
  ASSERT_EQ(reader.Open(U16(name), kOpenExisting), kFileOk);
  EXPECT_EQ(second.Open(U16(name), kOpenExisting | kOpenNoWrite | kOpenShareRead | kOpenNoSharingWait),
            kFileLocked);
}

TEST(FileOpen, TruncateTestOnlyAndRetryOnce) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"t.txt";
  PutFile(name, "0123456789");
  File file;
  ASSERT_EQ(file.Open(U16(name), kOpenExisting | kOpenTruncate), kFileOk);
  EXPECT_EQ(file.Size(), 0);
  ASSERT_EQ(file.Open(U16(name), kOpenExisting | kOpenTestOnly), kFileOk);
  EXPECT_FALSE(file.IsOpen());

  const Clock::time_point start = Clock::now();
  EXPECT_EQ(file.Open(U16(scratch / L"none.txt"), kOpenExisting | kOpenRetryOnce), kFileNotFound);
  EXPECT_GE(MillisecondsSince(start), 140);
}

TEST(FileWrite, ThreeMebibytesGoOutInThreeSystemWrites) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"big.bin";
  std::vector<uint8_t> data(3 * File::kWritePiece);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  File file;
  ASSERT_EQ(file.Open(U16(name), kOpenCreateOrTruncate), kFileOk);
  ASSERT_TRUE(file.Write(data.data(), static_cast<int32_t>(data.size())));
  EXPECT_EQ(file.write_calls(), 3);
  EXPECT_EQ(file.Size(), static_cast<int64_t>(data.size()));
  ASSERT_TRUE(file.SeekTo(0));
  std::vector<uint8_t> back(data.size());
  ASSERT_TRUE(file.ReadExact(back.data(), static_cast<int32_t>(back.size())));
  EXPECT_EQ(back, data);
}

TEST(FileWrite, BlockRulesOnARealFile) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"rules.bin";
  PutFile(name, "abc");
  File file;
  ASSERT_EQ(file.Open(U16(name), kOpenExisting), kFileOk);
  EXPECT_FALSE(file.Write("x", -1));
  EXPECT_EQ(Text(file.error()), "Illegal write size");
  ASSERT_EQ(file.Open(U16(name), kOpenExisting | kOpenNoWrite), kFileOk);
  EXPECT_FALSE(file.Write("x", 1));
  EXPECT_EQ(Text(file.error()), "Write access denied");
  ASSERT_EQ(file.Open(U16(name), kOpenExisting | kOpenNoRead), kFileOk);
  char block[2];
  EXPECT_FALSE(file.ReadExact(block, 2));
  EXPECT_EQ(Text(file.error()), "Read access denied");
}

TEST(FileLoad, ReadsAreServedFromMemoryAndWritesGoThrough) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"loaded.txt";
  PutFile(name, "0123456789");
  File file;
  ASSERT_EQ(file.Open(U16(name), kOpenExisting | kOpenLoadIntoMemory | kOpenShareRead | kOpenShareWrite), kFileOk);
  // Changed behind the loaded copy's back: the copy is what reads see.
  File other;
  ASSERT_EQ(other.Open(U16(name), kOpenExisting | kOpenShareRead | kOpenShareWrite), kFileOk);
  ASSERT_TRUE(other.Write("ABCDEFGHIJ", 10));
  other.Close();
  char block[4];
  ASSERT_TRUE(file.ReadExact(block, 4));
  EXPECT_EQ(std::string(block, 4), "0123");
  ASSERT_TRUE(file.Write("xy", 2));  // at position 4 of the file and of the copy
  ASSERT_TRUE(file.ReadExact(block, 4));
  EXPECT_EQ(std::string(block, 4), "6789");
  ASSERT_TRUE(file.SeekTo(3));
  ASSERT_TRUE(file.ReadExact(block, 4));
  EXPECT_EQ(std::string(block, 4), "3xy6");
  file.Close();
  String on_disk;
  ASSERT_EQ(other.Open(U16(name), kOpenExisting | kOpenNoWrite), kFileOk);
  ASSERT_EQ(other.ReadAll(on_disk), kFileOk);
  EXPECT_EQ(Text(on_disk), "ABCDxyGHIJ");
}

TEST(FileLoad, ALoadWithoutReadAccessFailsAndCloses) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"w.txt";
  PutFile(name, "abc");
  File file;
  EXPECT_EQ(file.Open(U16(name), kOpenExisting | kOpenNoRead | kOpenLoadIntoMemory), kFileNotLoaded);
  EXPECT_FALSE(file.IsOpen());
}

TEST(FileTemporary, NewTemporaryFileNeedsNoName) {
  File file;
  ASSERT_EQ(file.Open(u"", kOpenNewTemporary | kOpenWideName), kFileOk);
  const std::wstring made(reinterpret_cast<const wchar_t*>(file.wname().w_str()));
  const String folder = TemporaryFolder();
  EXPECT_EQ(made.compare(0, static_cast<size_t>(folder.wlength()), reinterpret_cast<const wchar_t*>(folder.w_str())),
            0);
  EXPECT_NE(made.find(L"QKT"), std::wstring::npos);
  ASSERT_TRUE(file.Write("log", 3));
  file.Close();
  EXPECT_TRUE(Exists(made));
  EXPECT_TRUE(DeleteFileW(made.c_str()));
}

TEST(FileTemporary, NewTemporaryFileInAGivenFolder) {
  ScratchFolder scratch;
  File file;
  ASSERT_EQ(file.Open(U16(scratch.path()), kOpenNewTemporaryIn), kFileOk);
  const std::wstring made(reinterpret_cast<const wchar_t*>(file.wname().w_str()));
  EXPECT_EQ(made.compare(0, scratch.path().size(), scratch.path()), 0);
  EXPECT_EQ(file.Size(), 0);
}

TEST(FileTemporary, GivenNameInsideTheTemporaryFolder) {
  const std::wstring name = L"bx-file-test-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  File file;
  ASSERT_EQ(file.Open(U16(name), kOpenInTemporaryFolder | kOpenExisting), kFileOk);  // created all the same
  String expected = TemporaryFolder();
  expected.AppendW(U16(name));
  EXPECT_EQ(file.wname(), expected);
  file.Close();
  EXPECT_TRUE(DeleteFileW(reinterpret_cast<const wchar_t*>(expected.w_str())));
}

TEST(FileRequired, AFailureIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  File file;
  EXPECT_EXIT(file.OpenRequired(u"C:\\bx-no-such-folder\\setup.dat", kOpenExisting), testing::ExitedWithCode(1),
              "Failed to open required file:\r?\nC:.bx-no-such-folder.setup.dat\r?\n\r?\nThe directory does not exist.");
}

}  // namespace
