#include "core/fatal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "core/oom_report.h"

// Failed allocations must reach the library's out-of-memory path under
// AddressSanitizer too, instead of ASan's own abort.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
#endif

namespace {

using testing::ExitedWithCode;
using testing::Matcher;

// Every hook registered below lives in a death-test child only, so the
// parent test process keeps its default hooks.
Matcher<const std::string&> Exactly(const std::string& text) {
  return Matcher<const std::string&>(text);
}

void Say(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

void ShowPrefixed(const char* message) {
  Say("shown:");
  Say(message);
  Say("\n");
}

TEST(FatalPath, InternalErrorGoesToStandardErrorAndExitsWithOne) {
  EXPECT_EXIT(InternalFatalError("qk_core", 123), ExitedWithCode(1),
              Exactly("Internal Fatal Error\r\nModule: qk_core\r\nLine: 123\n"));
  EXPECT_EXIT(QK_FATAL("qk_thread"), ExitedWithCode(1),
              "^Internal Fatal Error\r\nModule: qk_thread\r\nLine: [0-9]+\n$");
  EXPECT_EXIT(FatalFormat("Vector<%s>[%d]", "int", 7), ExitedWithCode(1),
              Exactly("Vector<int>[7]\n"));
}

TEST(FatalPath, AtFatalCallbacksRunInOrderEvenWhenOneThrows) {
  EXPECT_EXIT(
      {
        AddAtFatalCallback([](const char* message) {
          Say("one:");
          Say(message);
          Say("\n");
          throw 42;
        });
        AddAtFatalCallback([](const char*) { Say("two\n"); });
        SetFatalMessageCallback(&ShowPrefixed);
        FatalMessage("boom");
      },
      ExitedWithCode(1), Exactly("one:boom\ntwo\nshown:boom\n"));
}

TEST(FatalPath, ThrowingMessageCallbackStillEndsWithOne) {
  EXPECT_EXIT(
      {
        SetFatalMessageCallback([](const char*) {
          Say("shown\n");
          throw 1;
        });
        FatalMessage("boom");
      },
      ExitedWithCode(1), Exactly("shown\n"));
}

TEST(FatalPath, SecondFatalDuringTheReportEndsAtOnce) {
  EXPECT_EXIT(
      {
        AddAtFatalCallback([](const char*) {
          Say("first\n");
          FatalMessage("nested");
        });
        AddAtFatalCallback([](const char*) { Say("second\n"); });
        SetFatalMessageCallback(&ShowPrefixed);
        FatalMessage("boom");
      },
      ExitedWithCode(1), Exactly("first\n"));
}

int g_callback_calls = 0;

TEST(FatalPath, AtMostOneHundredAtFatalCallbacksAreKept) {
  EXPECT_EXIT(
      {
        for (int i = 0; i < 101; ++i) AddAtFatalCallback([](const char*) { ++g_callback_calls; });
        SetFatalMessageCallback([](const char*) { std::fprintf(stderr, "%d\n", g_callback_calls); });
        FatalMessage("boom");
      },
      ExitedWithCode(1), Exactly("100\n"));
}

TEST(FatalPath, WideMessageNarrowsForEightBitCallbacks) {
  // Without a UTF-16 display, non-ASCII characters become '?'.
  EXPECT_EXIT(
      {
        AddAtFatalCallback([](const char* message) {
          Say(message);
          Say("|");
        });
        FatalMessageW(u"Caf\u00e9 \u4e2d!");
      },
      ExitedWithCode(1), Exactly("Caf? ?!|Caf? ?!\n"));
  // The UTF-16 display gets the text as it is.
  EXPECT_EXIT(
      {
        SetFatalMessageCallback(&ShowPrefixed);
        SetFatalMessageCallbackW([](const char16_t* message) {
          Say(std::u16string(message) == u"Caf\u00e9" ? "wide intact\n" : "wide changed\n");
        });
        FatalMessageW(u"Caf\u00e9");
      },
      ExitedWithCode(1), Exactly("wide intact\n"));
  // A registered narrower replaces the ASCII fall-back.
  EXPECT_EXIT(
      {
        SetFatalTextNarrower([](const char16_t*, char* out, std::size_t size) {
          std::snprintf(out, size, "%s", "narrowed");
        });
        FatalMessageW(u"Caf\u00e9");
      },
      ExitedWithCode(1), Exactly("narrowed\n"));
}

// Eighty words numbered 0..79, so every position is recognisable.
struct NumberedWords {
  NumberedWords() {
    for (int i = 0; i < kOutOfMemoryStackWords; ++i) words[i] = static_cast<std::uint32_t>(i);
  }
  std::uint32_t words[kOutOfMemoryStackWords];
};

TEST(OutOfMemoryReport, HeaderThenEightWordsPerLine) {
  NumberedWords stack;
  stack.words[79] = 0xDEADBEEF;
  char text[4096];
  std::size_t length = FormatOutOfMemoryReport(text, sizeof text, kDefaultOutOfMemoryAdvice, 1000,
                                               stack.words, kOutOfMemoryStackWords);
  std::string report(text);
  const std::string header =
      "Out Of Memory.\r\nAdvice: Make sure the hard drive is not full.\r\n"
      "Requested size = 1000 (0x000003E8)\r\n\r\nStack contents:";
  ASSERT_EQ(report.substr(0, header.size()), header);
  EXPECT_EQ(length, report.size());
  EXPECT_EQ(report.size(), header.size() + 80 * 9);  // each word: a separator and 8 digits
  std::string words = report.substr(header.size());
  EXPECT_EQ(words.substr(0, 9 * 9),
            "\r00000000 00000001 00000002 00000003 00000004 00000005 00000006 00000007"
            "\r00000008");
  EXPECT_EQ(words.substr(words.size() - 18), " 0000004E DEADBEEF");
  EXPECT_EQ(std::count(words.begin(), words.end(), '\r'), 10);
  EXPECT_EQ(std::count(words.begin(), words.end(), ' '), 70);
}

TEST(OutOfMemoryReport, LargeSizesPrintInFullAndShortBuffersStayTerminated) {
  NumberedWords stack;
  char text[4096];
  FormatOutOfMemoryReport(text, sizeof text, "Close something.", 0xFEDCBA98u, stack.words, 0);
  EXPECT_STREQ(text,
               "Out Of Memory.\r\nAdvice: Close something.\r\n"
               "Requested size = 4275878552 (0xFEDCBA98)\r\n\r\nStack contents:");

  char small[40];
  std::memset(small, 'x', sizeof small);
  std::size_t length = FormatOutOfMemoryReport(small, sizeof small, kDefaultOutOfMemoryAdvice, 1,
                                               stack.words, kOutOfMemoryStackWords);
  EXPECT_EQ(length, sizeof small - 1);
  EXPECT_EQ(small[sizeof small - 1], '\0');
  EXPECT_EQ(std::string(small), std::string("Out Of Memory.\r\nAdvice: Make sure the h"));

  char header_only[120];
  length = FormatOutOfMemoryReport(header_only, sizeof header_only, "", 5, stack.words,
                                   kOutOfMemoryStackWords);
  EXPECT_EQ(length, std::strlen(header_only));
  EXPECT_EQ(length, sizeof header_only - 1);
}

TEST(OutOfMemoryReport, StackWordsComeFromTheLiveStack) {
  std::uint32_t words[kOutOfMemoryStackWords] = {};
  ReadStackWords(words, kOutOfMemoryStackWords);
  int nonzero = 0;
  for (std::uint32_t word : words) nonzero += word != 0;
  // Return addresses and saved frame pointers are never all zero.
  EXPECT_GT(nonzero, 0);
}

const char kReportPattern[] =
    "^Out Of Memory\\.\r\nAdvice: %s\r\nRequested size = %s\r\n\r\nStack contents:"
    "(\r[0-9A-F]{8}( [0-9A-F]{8}){7}){10}\n$";

std::string ReportPattern(const char* advice, const char* size) {
  char pattern[512];
  std::snprintf(pattern, sizeof pattern, kReportPattern, advice, size);
  return pattern;
}

TEST(OutOfMemoryPath, WithoutHandlersTheReportEndsTheProcess) {
  EXPECT_EXIT(OutOfMemory(1000), ExitedWithCode(1),
              ReportPattern("Make sure the hard drive is not full\\.", "1000 \\(0x000003E8\\)"));
  EXPECT_EXIT(
      {
        SetOutOfMemoryAdvice("Close other programs.");
        OutOfMemory(16);
      },
      ExitedWithCode(1), ReportPattern("Close other programs\\.", "16 \\(0x00000010\\)"));
}

int g_handler_calls = 0;

bool FreesSomething(void* context) {
  ++g_handler_calls;
  return context != nullptr;
}

TEST(OutOfMemoryPath, HandlerThatFreedMemoryLetsTheCallerRetry) {
  EXPECT_EXIT(
      {
        int dummy = 0;
        AddLowMemoryHandler({&FreesSomething, nullptr});  // frees nothing
        AddLowMemoryHandler({&FreesSomething, &dummy});   // frees
        OutOfMemory(64);
        std::fprintf(stderr, "returned after %d\n", g_handler_calls);
        std::exit(0);
      },
      ExitedWithCode(0), Exactly("returned after 2\n"));
}

TEST(OutOfMemoryPath, HandlersAreAskedAtMostFiftyThousandTimes) {
  EXPECT_EXIT(
      {
        int dummy = 0;
        AddLowMemoryHandler({&FreesSomething, &dummy});
        AddAtFatalCallback([](const char*) { std::fprintf(stderr, "asked %d\n", g_handler_calls); });
        SetFatalMessageCallback([](const char* message) {
          Say(std::strncmp(message, "Out Of Memory.", 14) == 0 ? "report\n" : "other\n");
        });
        for (;;) OutOfMemory(1);
      },
      ExitedWithCode(1), Exactly("asked 50000\nreport\n"));
}

// Sizes no allocator can give.
constexpr std::size_t kImpossible = SIZE_MAX / 2;

TEST(OutOfMemoryPath, AllocationsRetryThroughTheHandlersThenReport) {
  EXPECT_EXIT(
      {
        AddLowMemoryHandler({[](void*) { return ++g_handler_calls <= 3; }, nullptr});
        AddAtFatalCallback([](const char*) { std::fprintf(stderr, "asked %d\n", g_handler_calls); });
        SetFatalMessageCallback([](const char* message) { Say(std::strstr(message, "Requested")); });
        QkAlloc(kImpossible);
      },
      ExitedWithCode(1), "asked 4\nRequested size = [0-9]+ \\(0x[0-9A-F]+\\)\r\n");
  void* block = QkAlloc(16);
  EXPECT_EXIT(QkRealloc(block, kImpossible), ExitedWithCode(1), "Out Of Memory\\.");
  QkFree(block);
}

TEST(OutOfMemoryPath, FailedOperatorNewTakesTheSamePath) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's operator new aborts without calling the new handler";
#else
  EXPECT_TRUE(std::get_new_handler() != nullptr);
  EXPECT_EXIT(
      {
        volatile std::size_t size = kImpossible;
        char* never = new char[size];
        never[0] = 1;
      },
      ExitedWithCode(1), "^Out Of Memory\\.\r\nAdvice: .*Requested size = 0 ");
#endif
}

TEST(Allocation, BlocksAreNeverNullAndKeepTheirContent) {
  void* empty = QkAlloc(0);
  EXPECT_NE(empty, nullptr);
  QkFree(empty);

  char* text = static_cast<char*>(QkAlloc(6));
  std::memcpy(text, "hello", 6);
  text = static_cast<char*>(QkRealloc(text, 100000));
  EXPECT_STREQ(text, "hello");
  text = static_cast<char*>(QkRealloc(text, 0));
  EXPECT_NE(text, nullptr);
  QkFree(text);
  QkFree(nullptr);
}

}  // namespace
