#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/fatal.h"
#include "setup/fatal_display.h"
#include "testkit/process.h"
#include "testkit/window.h"

namespace {

// Run in a child process: the fatal path ends the process.
TEST(FatalDisplayChild, DISABLED_Fatal) {
  RegisterFatalDisplay();
  const char* wide = std::getenv("BX_FATAL_WIDE");
  if (wide && *wide == '1') FatalMessageW(u"Wide fatal text \u00e9");
  FatalMessage("Narrow fatal text");
}

// Both the core library's 8-bit reports (out of memory, internal errors) and
// the wide ones are shown in the error box, and the run ends with code 1.
TEST(FatalDisplay, NarrowAndWideFatalTextsAreShownThenTheRunEnds) {
  const struct {
    const wchar_t* wide;
    const wchar_t* text;
  } cases[] = {{L"0", L"Narrow fatal text"}, {L"1", L"Wide fatal text \u00e9"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    testkit::ProcessOptions options;
    options.environment = {{L"BX_FATAL_WIDE", c.wide}};
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    testkit::Process child = testkit::Process::Start(
        self, L"--gtest_also_run_disabled_tests --gtest_filter=FatalDisplayChild.DISABLED_Fatal", options);
    ASSERT_TRUE(child.started());
    HWND box = testkit::WaitForWindow(child.id(), {testkit::kDialogClass, L""});
    ASSERT_NE(box, nullptr) << testkit::DescribeWindows(child.id());
    EXPECT_EQ(testkit::MessageBoxText(box), c.text);
    EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(child.WaitForExit());
    EXPECT_EQ(child.ExitCode(), 1u);
  }
}

}  // namespace
