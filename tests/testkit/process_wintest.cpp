#include "testkit/process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/child.h"
#include "testkit/files.h"
#include "testkit/paths.h"

namespace testkit {
namespace {

// The lines testkit_child's report mode wrote ('\n' after each).
std::vector<std::wstring> ReadReport(const std::wstring& path) {
  std::wstring text = ReadFileUtf16(path).value_or(L"");
  std::vector<std::wstring> lines;
  for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(Process, ReportsTheExitCodeOfAChild) {
  Process child = StartChild({L"exit", L"3"});
  ASSERT_TRUE(child.started()) << "error " << child.error() << " starting " << ChildExe();
  EXPECT_NE(0u, child.id());
  ASSERT_TRUE(child.WaitForExit());
  EXPECT_FALSE(child.Running());
  EXPECT_EQ(3u, child.ExitCode());
}

TEST(Process, PassesArgumentsWorkingFolderAndEnvironment) {
  const std::wstring scratch = ScratchDir();
  const std::wstring report = scratch + L"\\report.txt";
  const std::vector<std::wstring> tricky = {
      L"plain", L"two words", L"say \"hi\"", L"trailing\\", L"C:\\dir with blank\\", L"a\\\\\"b", L"", L"tab\there"};
  std::vector<std::wstring> arguments = {L"report", report, L"BX_KIT_PROBE"};
  arguments.insert(arguments.end(), tricky.begin(), tricky.end());

  Process child = StartChild(arguments, {.working_dir = scratch, .environment = {{L"BX_KIT_PROBE", L"value with ünïcode"}}});
  ASSERT_TRUE(child.started()) << "error " << child.error();
  ASSERT_TRUE(child.WaitForExit());
  ASSERT_EQ(0u, child.ExitCode());

  std::vector<std::wstring> lines = ReadReport(report);
  ASSERT_EQ(2 + tricky.size(), lines.size());
  EXPECT_EQ(0, _wcsicmp(scratch.c_str(), lines[0].c_str())) << "working folder " << lines[0];
  EXPECT_EQ(L"value with ünïcode", lines[1]);
  for (size_t i = 0; i < tricky.size(); ++i) EXPECT_EQ(tricky[i], lines[2 + i]) << "argument " << i;
}

TEST(Process, ChildKeepsTheTestEnvironmentBesideOverrides) {
  SetEnvironmentVariableW(L"BX_KIT_INHERITED", L"from the test");
  const std::wstring report = ScratchDir() + L"\\report.txt";
  Process child = StartChild({L"report", report, L"BX_KIT_INHERITED"}, {.environment = {{L"BX_KIT_OTHER", L"x"}}});
  ASSERT_TRUE(child.WaitForExit());
  std::vector<std::wstring> lines = ReadReport(report);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(L"from the test", lines[1]);
}

TEST(Process, KillEndsAChildThatWouldNeverExit) {
  Process child = StartChild({L"sleep"});
  ASSERT_TRUE(child.started());
  EXPECT_FALSE(child.WaitForExit(200));
  EXPECT_TRUE(child.Running());
  EXPECT_EQ(STILL_ACTIVE, child.ExitCode());
  child.Kill();
  EXPECT_FALSE(child.Running());
  EXPECT_EQ(kKilledExitCode, child.ExitCode());
}

TEST(Process, GoingOutOfScopeKillsARunningChild) {
  HANDLE watcher = nullptr;
  {
    Process child = StartChild({L"sleep"});
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), child.handle(), GetCurrentProcess(), &watcher, SYNCHRONIZE |
                                PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0));
  }
  ProcessHandle owned(watcher);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(owned.get(), kHangTimeoutMs));
  DWORD code = 0;
  GetExitCodeProcess(owned.get(), &code);
  EXPECT_EQ(kKilledExitCode, code);
}

TEST(Process, StartFailureKeepsTheSystemError) {
  Process missing = Process::Start(BuildPath(L"no-such-program.exe"));
  EXPECT_FALSE(missing.started());
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), missing.error());
  EXPECT_FALSE(missing.WaitForExit(0));
  missing.Kill();  // nothing to kill: no crash
}

TEST(QuoteArgument, LeavesPlainWordsAndQuotesTheRest) {
  EXPECT_EQ(L"plain", QuoteArgument(L"plain"));
  EXPECT_EQ(L"C:\\dir\\", QuoteArgument(L"C:\\dir\\"));
  EXPECT_EQ(L"\"\"", QuoteArgument(L""));
  EXPECT_EQ(L"\"two words\"", QuoteArgument(L"two words"));
  EXPECT_EQ(L"\"C:\\a b\\\\\"", QuoteArgument(L"C:\\a b\\"));
  EXPECT_EQ(L"\"say \\\"hi\\\"\"", QuoteArgument(L"say \"hi\""));
  EXPECT_EQ(L"a \"b c\" \"\"", JoinArguments({L"a", L"b c", L""}));
}

}  // namespace
}  // namespace testkit
