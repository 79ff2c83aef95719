#include "testkit/paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace testkit {
namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(Paths, BuildDirHoldsTheBuiltInstaller) {
  ASSERT_FALSE(BuildDir().empty());
  EXPECT_TRUE(Exists(BuildPath(L"CMakeCache.txt"))) << BuildDir();
  EXPECT_TRUE(Exists(SetupExe())) << SetupExe();
  EXPECT_EQ(BuildDir() + L"\\tests\\testkit", BuildPath(L"tests/testkit"));
}

TEST(Paths, ScratchDirIsEmptyEachTimeAndNamedAfterTheTest) {
  std::wstring dir = ScratchDir();
  EXPECT_NE(std::wstring::npos, dir.find(L"Paths.ScratchDirIsEmptyEachTimeAndNamedAfterTheTest"));
  EXPECT_EQ(0u, dir.rfind(BuildDir(), 0));
  std::filesystem::create_directories(dir + L"\\left\\over");
  EXPECT_EQ(dir, ScratchDir());
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(Paths, UniqueNamesDifferAndAreSafeForFilesAndKeys) {
  std::wstring first = UniqueName(L"Kit Product/1");
  std::wstring second = UniqueName(L"Kit Product/1");
  EXPECT_NE(first, second);
  // What makes a name unique across Wine sessions, where process ids and the
  // counter start over: random digits at the end, different each time.
  const auto random_tail = [](const std::wstring& name) { return name.substr(name.rfind(L'-') + 1); };
  EXPECT_EQ(random_tail(first).find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << first;
  EXPECT_EQ(random_tail(first).size(), 12u) << first;
  EXPECT_NE(random_tail(first), random_tail(second));
  EXPECT_EQ(0u, first.rfind(L"Kit_Product_1-UniqueNamesDifferAndAreSafe", 0)) << first;
  EXPECT_EQ(std::wstring::npos, first.find_first_not_of(
                                    L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_."));
}

}  // namespace
}  // namespace testkit
