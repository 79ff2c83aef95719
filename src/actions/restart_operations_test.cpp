#include "actions/restart_operations.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Added(const char* content, const char* target, const char* source) {
  String text(content);
  AddWininitRename(&text, String(target), String(source));
  return std::string(text.c_str(), static_cast<size_t>(text.length()));
}

TEST(WininitRename, NewFileGetsTheSection) {
  EXPECT_EQ(Added("", "C:\\App\\a.dll", "C:\\App\\~1.TMP"), "[rename]\r\nC:\\App\\a.dll=C:\\App\\~1.TMP");
}

TEST(WininitRename, SectionAppendedOnALineOfItsOwn) {
  EXPECT_EQ(Added("[other]\r\nx=1\r\n", "NUL", "C:\\t.tmp"), "[other]\r\nx=1\r\n[rename]\r\nNUL=C:\\t.tmp");
  EXPECT_EQ(Added("[other]\r\nx=1", "NUL", "C:\\t.tmp"), "[other]\r\nx=1\r\n[rename]\r\nNUL=C:\\t.tmp");
}

TEST(WininitRename, NewLineGoesRightAfterTheHeader) {
  EXPECT_EQ(Added("[x]\r\n[rename]\r\nNUL=C:\\old.tmp\r\n[y]\r\n", "C:\\b.dll", "C:\\b.tmp"),
            "[x]\r\n[rename]\r\nC:\\b.dll=C:\\b.tmp\r\nNUL=C:\\old.tmp\r\n[y]\r\n");
  // Section names are not case-sensitive.
  EXPECT_EQ(Added("[Rename]\r\n", "NUL", "C:\\c.tmp"), "[Rename]\r\nNUL=C:\\c.tmp\r\n");
}

TEST(WininitRename, PercentSignsInPathsStayAsTheyAre) {
  EXPECT_EQ(Added("", "C:\\100%s\\d.dll", "C:\\100%d.tmp"), "[rename]\r\nC:\\100%s\\d.dll=C:\\100%d.tmp");
}

}  // namespace
