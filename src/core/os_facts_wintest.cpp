#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "core/os_facts.h"
#include "core/os_name.h"
#include "core/redirection_win.h"
#include "core/scratch_folder_wintest.h"
#include "testkit/testkit.h"

namespace {

std::string Utf8(const String& wide) { return Text(Utf16ToUtf8(wide)); }

TEST(OsFacts, RecordOfTheRunningSystem) {
  const OsFacts& facts = TheOsFacts();
  EXPECT_EQ(&facts, &TheOsFacts());  // filled once
  EXPECT_TRUE(IsNT());
  EXPECT_GE(facts.version.major, 5u);
  EXPECT_GE(facts.version.size, sizeof(OSVERSIONINFOW));
  EXPECT_EQ(IsWorkstation(), facts.version.product_type == 1);
  EXPECT_TRUE(WindowsAtLeast(5, 0));
  EXPECT_FALSE(WindowsAtLeast(facts.version.major + 1, 0));
  // Under WINE the version comes from wine_get_version.
  ASSERT_TRUE(facts.under_wine);
  EXPECT_FALSE(WineVersion().empty());
  EXPECT_NE(WineVersion().Find('.'), -1);
}

TEST(OsFacts, ThisPrefixIsThirtyTwoBitWindows) {
  if (testkit::On64BitWindows()) GTEST_SKIP() << testkit::OnlyOn32Bit("the native processor is x86");
  EXPECT_FALSE(Is64BitWindows());
  EXPECT_STREQ(BitsText(), "32");
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
}

TEST(OsFacts, ThisPrefixIsSixtyFourBitWindows) {
  if (!testkit::On64BitWindows()) GTEST_SKIP() << testkit::OnlyOn64Bit("a 32-bit program runs under WoW64");
  EXPECT_TRUE(Is64BitWindows());
  EXPECT_STREQ(BitsText(), "64");
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
  // The long name says so; the short one too, after the version.
  EXPECT_NE(Utf8(OSName(0)).find(" x64"), std::string::npos) << Utf8(OSName(0));
}

TEST(OsName, NamesWineAndTheWindowsItReports) {
  const std::string name = Utf8(OSName(0));
  const std::string wine = "WINE " + Text(WineVersion()) + " reporting as Windows ";
  EXPECT_EQ(name.rfind(wine, 0), 0u) << name;
  const std::string short_name = Utf8(OSName(kOsNameShort));
  if (IsWorkstation()) {
    EXPECT_EQ(name, wine + short_name);
  }
  EXPECT_EQ(short_name.find("WINE"), std::string::npos);
  EXPECT_EQ(Text(OSNameA(0)), name);  // ASCII either way
  // The family agrees with the name.
  if (TheOsFacts().version.major == 10 && IsWorkstation()) {
    EXPECT_EQ(CurrentOsFamily(), OsFamily::kWindows10);
    EXPECT_EQ(short_name.rfind("10", 0), 0u) << short_name;
  }
  EXPECT_NE(CurrentOsFamily(), OsFamily::kOther);
}

TEST(Redirection, HarmlessOnThirtyTwoBitWindows) {
  if (testkit::On64BitWindows()) GTEST_SKIP() << testkit::OnlyOn32Bit("there is no redirection to switch off");
  ScratchFolder scratch;
  PutFile(scratch / L"file.txt", "x");
  void* old_value = nullptr;
  SetLastError(0);
  EXPECT_FALSE(DisableRedirection(&old_value));  // nothing to switch off here
  EXPECT_NE(GetLastError(), 0u);
  {
    RedirectionGuard guard;
    EXPECT_FALSE(guard.disabled());
    EXPECT_TRUE(Exists(scratch / L"file.txt"));
    SetLastError(1234);
    guard.Restore();
    EXPECT_EQ(GetLastError(), 1234u);
  }
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  EXPECT_TRUE(Exists(std::wstring(system) + L"\\kernel32.dll"));
}

// While the guard holds, System32 is the 64-bit folder; afterwards it leads
// to SysWOW64 again.
TEST(Redirection, OffReachesTheSixtyFourBitSystemFolder) {
  if (!testkit::On64BitWindows()) GTEST_SKIP() << testkit::OnlyOn64Bit("only WoW64 redirects System32");
  const std::wstring name = L"\\" + testkit::UniqueName(L"BxRedirection") + L".txt";
  PutFile(testkit::SystemFolderOf32BitFiles() + name, "32");
  {
    RedirectionGuard guard;
    ASSERT_TRUE(guard.disabled());
    EXPECT_FALSE(Exists(testkit::SystemFolderNamed() + name));
    SetLastError(1234);
    guard.Restore();
    EXPECT_EQ(GetLastError(), 1234u);
  }
  EXPECT_TRUE(Exists(testkit::SystemFolderNamed() + name));
  DeleteFileW((testkit::SystemFolderOf32BitFiles() + name).c_str());
}

}  // namespace
