#include "core/string_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Parts(const Array<String>& parts) {
  std::vector<std::string> out;
  for (const String& part : parts) out.emplace_back(part.c_str(), static_cast<size_t>(part.length()));
  return out;
}

using Texts = std::vector<std::string>;

TEST(StringSplit, SeparatorsMakeOneMorePart) {
  EXPECT_EQ(Parts(Split(String("a;b;c"), ";")), (Texts{"a", "b", "c"}));
  EXPECT_EQ(Parts(Split(String("a;;b;"), ";")), (Texts{"a", "", "b", ""}));
  EXPECT_EQ(Parts(Split(String(";"), ";")), (Texts{"", ""}));
  EXPECT_EQ(Parts(Split(String("one\r\ntwo\r\n\r\nthree"), "\r\n")), (Texts{"one", "two", "", "three"}));
  EXPECT_EQ(Parts(Split(String("whole"), ",")), (Texts{"whole"}));
  EXPECT_EQ(Parts(Split(String("whole"), "")), (Texts{"whole"}));
  EXPECT_EQ(Split(String(), ";").Count(), 0);
}

TEST(StringSplit, WideText) {
  const Array<String> parts = SplitW(String(u"C:\\a;\u4E2D;;"), u";");
  ASSERT_EQ(parts.Count(), 4);
  EXPECT_EQ(std::u16string(parts[0].w_str()), u"C:\\a");
  EXPECT_EQ(std::u16string(parts[1].w_str()), u"\u4E2D");
  EXPECT_TRUE(parts[2].empty());
  EXPECT_TRUE(parts[3].empty());
  EXPECT_EQ(SplitW(String(u"x"), u"x").Count(), 2);
}

}  // namespace
