#include "core/process_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/box_watch_wintest.h"
#include "core/codepage.h"
#include "core/scratch_folder_wintest.h"
#include "core/system_error_text.h"
#include "testkit/child.h"
#include "testkit/wait.h"

namespace {

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring ChildCommand(const std::wstring& arguments) { return Quoted(testkit::ChildExe()) + L" " + arguments; }

uint32_t RunCommand(const std::wstring& command_line, uint32_t flags, const std::wstring& folder = L"",
             uint32_t* process_id = nullptr) {
  return RunProcess(U16(command_line), flags, folder.empty() ? nullptr : U16(folder), process_id);
}

// The first line of a file that testkit_child's "report" wrote (UTF-16).
std::wstring FirstLine(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return L"(missing)";
  wchar_t buffer[1024] = {};
  DWORD got = 0;
  ReadFile(file, buffer, sizeof(buffer) - sizeof(wchar_t), &got, nullptr);
  CloseHandle(file);
  std::wstring text(buffer, got / sizeof(wchar_t));
  return text.substr(0, text.find(L'\n'));
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

TEST(RunProcess, ExitCodeWhenWaiting) {
  EXPECT_EQ(RunCommand(ChildCommand(L"exit 3"), kRunWait), 3u);
  EXPECT_EQ(RunCommand(ChildCommand(L"exit 3"), kRunWait | kRunPumpMessages), 3u);
  EXPECT_EQ(RunCommand(ChildCommand(L"exit 0"), kRunWait | kRunShowHidden | kRunIdlePriority), 0u);
}

TEST(RunProcess, NoExitCodeWithoutWaiting) {
  uint32_t id = 0;
  EXPECT_EQ(RunCommand(ChildCommand(L"exit 3"), 0, L"", &id), kRunNoExitCode);
  ASSERT_NE(id, 0u);
  // The child that was not awaited still ran and ends with its own code.
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
  if (process) {
    EXPECT_EQ(WaitForSingleObject(process, testkit::kHangTimeoutMs), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 3u);
    CloseHandle(process);
  }
}

TEST(RunProcess, MissingProgramAndEmptyCommand) {
  const SilentScope silent(true);
  BoxWatch watch(IDOK);
  SetLastError(0);
  EXPECT_EQ(RunCommand(L"\"C:\\no such folder\\missing.exe\" /x", kRunWait | kRunReportFailure), kRunNotStarted);
  const DWORD error = GetLastError();
  EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
  EXPECT_EQ(RunCommand(L"", kRunWait), kRunNotStarted);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RunProcess(nullptr, 0), kRunNotStarted);
  watch.Stop();
  EXPECT_TRUE(watch.boxes().empty()) << "a silent run showed a box";
}

TEST(RunProcess, FailureBoxNamesTheCommandAndTheReason) {
  const SilentScope silent(false);
  BoxWatch watch(IDOK);
  const std::wstring command = L"C:\\no-such-program-here.exe /quiet";
  EXPECT_EQ(RunCommand(command, kRunReportFailure), kRunNotStarted);
  const DWORD error = GetLastError();  // the box keeps the reason
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  watch.Stop();
  const auto boxes = watch.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Error");
  const String reason = SystemErrorTextW(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(boxes[0].text, L"Unable to create process:\r\n" + command + L"\r\n\r\n" +
                               reinterpret_cast<const wchar_t*>(reason.w_str()));
}

TEST(RunProcess, WorkingFolderGivenOrTheProgramsOwn) {
  ScratchFolder scratch;
  const std::wstring report = scratch / L"report.txt";
  const std::wstring child_folder = testkit::ChildExe().substr(0, testkit::ChildExe().rfind(L'\\'));
  ASSERT_EQ(RunCommand(ChildCommand(L"report " + Quoted(report) + L" PATH"), kRunWait | kRunInProgramFolder), 0u);
  EXPECT_EQ(FirstLine(report), child_folder);
  ASSERT_EQ(RunCommand(ChildCommand(L"report " + Quoted(report) + L" PATH"), kRunWait | kRunInProgramFolder, scratch.path()),
            0u);
  EXPECT_EQ(WithoutTrailingBackslash(FirstLine(report)), WithoutTrailingBackslash(scratch.path()));
  // Without the flag the child starts in the caller's folder.
  wchar_t own[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, own);
  ASSERT_EQ(RunCommand(ChildCommand(L"report " + Quoted(report) + L" PATH"), kRunWait), 0u);
  EXPECT_EQ(FirstLine(report), own);
}

TEST(RunHidden, RunsABatchWhosePathHasBlanks) {
  ScratchFolder scratch;
  const std::wstring done = scratch / L"done.txt";
  const std::wstring batch = scratch / L"run me now.bat";
  PutFile(batch, "@echo off\r\necho ran> \"" + Text(Utf16ToAnsi(U16(done))) + "\"\r\n");
  ASSERT_TRUE(RunHidden(U16(batch)));
  EXPECT_TRUE(testkit::WaitUntil([&] { return Exists(done); })) << "the batch did not run";
}

TEST(ShellOpen, EmptyNameIsRefused) {
  SetLastError(0);
  EXPECT_FALSE(ShellOpenW(u"", nullptr, nullptr, nullptr, SW_HIDE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_FALSE(ShellOpen(nullptr, nullptr, nullptr, "open", SW_HIDE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST(ShellOpen, MissingFileFails) {
  ScratchFolder scratch;
  EXPECT_FALSE(ShellOpenW(U16(scratch / L"nothing here.bat"), nullptr, nullptr, u"open", SW_HIDE));
}

TEST(ShellOpen, OpensAProgramWithParametersAndFolder) {
  ScratchFolder scratch;
  const std::wstring report = scratch / L"report.txt";
  const std::wstring parameters = L"report " + Quoted(report) + L" PATH";
  ASSERT_TRUE(ShellOpenW(U16(testkit::ChildExe()), U16(parameters), U16(scratch.path()), nullptr, SW_HIDE));
  ASSERT_TRUE(testkit::WaitUntil([&] { return Exists(report); }));
  EXPECT_TRUE(testkit::WaitUntil([&] { return FirstLine(report) != L"(missing)" && !FirstLine(report).empty(); }));
  EXPECT_EQ(WithoutTrailingBackslash(FirstLine(report)), WithoutTrailingBackslash(scratch.path()));
}

// The 8-bit form: a copy of the child under a name with a blank and a
// non-ASCII letter, opened as a marked UTF-8 path and as a file:/// address.
class ShellOpenNarrow : public testing::Test {
 protected:
  void SetUp() override {
    program_ = scratch_ / L"kid copy \u00EF.exe";
    ASSERT_TRUE(CopyFileW(testkit::ChildExe().c_str(), program_.c_str(), FALSE));
    report_ = scratch_ / L"report.txt";
    parameters_ = "report \"" + Text(Utf16ToAnsi(U16(report_))) + "\" PATH";
  }
  bool Reported() {
    return testkit::WaitUntil([&] { return Exists(report_) && !FirstLine(report_).empty(); });
  }

  ScratchFolder scratch_;
  std::wstring program_;
  std::wstring report_;
  std::string parameters_;
};

// '|' and the UTF-8 form of a path.
std::string Marked(const std::wstring& path) {
  std::string marked(1, '|');
  marked += Text(Utf16ToUtf8(U16(path)));
  return marked;
}

TEST_F(ShellOpenNarrow, MarkedUtf8Path) {
  const std::string marked = Marked(program_);
  const std::string folder = Marked(scratch_.path());
  ASSERT_TRUE(ShellOpen(marked.c_str(), parameters_.c_str(), folder.c_str(), "open", SW_HIDE));
  ASSERT_TRUE(Reported());
  EXPECT_EQ(WithoutTrailingBackslash(FirstLine(report_)), WithoutTrailingBackslash(scratch_.path()));
}

TEST_F(ShellOpenNarrow, FileAddressIsDecoded) {
  // file:///C:/.../kid%20copy%20%C3%AF.exe: escapes over the UTF-8 bytes.
  std::string address = "file:///";
  for (unsigned char c : Text(Utf16ToUtf8(U16(program_)))) {
    if (c == '\\') {
      address += '/';
    } else if (c == ' ' || c >= 0x80) {
      char escape[4];
      wsprintfA(escape, "%%%02X", c);
      address += escape;
    } else {
      address += static_cast<char>(c);
    }
  }
  ASSERT_TRUE(ShellOpen(address.c_str(), parameters_.c_str(), nullptr, nullptr, SW_HIDE)) << address;
  EXPECT_TRUE(Reported());
}

}  // namespace
