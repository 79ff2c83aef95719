// The fatal paths as the Windows build runs them: ExitProcess ends with code
// 1, the run-time's printf prints the report's sizes, and type names come out
// readable.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/fatal.h"
#include "core/oom_report.h"
#include "core/string.h"
#include "core/vector.h"

namespace {

using testing::ExitedWithCode;

TEST(FatalPathWin, EndsWithExitCodeOne) {
  EXPECT_EXIT(InternalFatalError("qk_core", 77), ExitedWithCode(1),
              "Internal Fatal Error\r\nModule: qk_core\r\nLine: 77");
  // The runtime is built without exceptions here, so a callback cannot
  // throw; the host tests cover one that does.
  EXPECT_EXIT(
      {
        AddAtFatalCallback([](const char* text) { std::fputs(text, stderr); });
        FatalMessageW(u"wide \u00e9");
      },
      ExitedWithCode(1), "wide \\?");
}

TEST(FatalPathWin, OutOfMemoryReportPrintsSizesAndWords) {
  std::uint32_t words[kOutOfMemoryStackWords] = {};
  words[8] = 0xABCDEF01;
  char text[4096];
  FormatOutOfMemoryReport(text, sizeof text, kDefaultOutOfMemoryAdvice, 0x80000000u, words,
                          kOutOfMemoryStackWords);
  std::string report(text);
  EXPECT_NE(report.find("Requested size = 2147483648 (0x80000000)\r\n\r\nStack contents:\r00000000 "),
            std::string::npos);
  EXPECT_NE(report.find(" 00000000\rABCDEF01 00000000"), std::string::npos);
}

TEST(FatalPathWin, FailedOperatorNewReportsOutOfMemory) {
  EXPECT_EXIT(
      {
        volatile std::size_t size = 0x7FFFFFF0;
        char* never = new char[size];
        never[0] = 1;
      },
      ExitedWithCode(1), "Out Of Memory\\.\r\nAdvice: Make sure the hard drive is not full\\.");
}

TEST(FatalPathWin, IndexErrorNamesTheElementType) {
  Array<String> names;
  names.Add(String("a"));
  EXPECT_EXIT(names[3], ExitedWithCode(1), "Vector<String>\\[3\\]\r\nmax_index = 0");
}

}  // namespace
