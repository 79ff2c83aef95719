#include <windows.h>

#include "core/disk_space.h"

#include <gtest/gtest.h>

namespace {

TEST(DiskSpace, DriveCHasSpace) {
  uint64_t free_bytes = 0;
  uint64_t total_bytes = 0;
  ASSERT_TRUE(DiskSpace(u"C:\\windows\\system32", free_bytes, total_bytes));
  EXPECT_GT(total_bytes, 0u);
  EXPECT_LE(free_bytes, total_bytes);

  ULARGE_INTEGER available;
  ULARGE_INTEGER total;
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, &total, nullptr));
  EXPECT_EQ(total_bytes, total.QuadPart);
}

TEST(DiskSpace, OnlyDriveLetterPathsAreAnswered) {
  uint64_t free_bytes = 1;
  uint64_t total_bytes = 1;
  EXPECT_FALSE(DiskSpace(u"\\\\server\\share", free_bytes, total_bytes));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));
  EXPECT_EQ(free_bytes, 0u);
  EXPECT_FALSE(DiskSpace(u"relative\\path", free_bytes, total_bytes));
}

}  // namespace
