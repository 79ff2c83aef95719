#include "builder/default_messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "package/corrupt_report.h"

namespace {

std::u16string Text(const String& wide) { return std::u16string(wide.w_str(), static_cast<size_t>(wide.wlength())); }

size_t ArgumentCount(const char* arguments) {
  if (*arguments == 0) return 0;
  size_t count = 1;
  for (const char* p = arguments; *p; ++p) count += *p == ',';
  return count;
}

TEST(DefaultMessages, EveryPlaceholderHasItsArgument) {
  std::set<int32_t> numbers;
  for (const DefaultMessage& message : DefaultMessages()) {
    EXPECT_TRUE(numbers.insert(message.number).second) << "message " << message.number << " twice";
    EXPECT_LT(message.number, kDefaultMessageCount);
    std::string placeholders = MessagePlaceholders(message.text);
    EXPECT_EQ(placeholders.size() / 2, ArgumentCount(message.arguments)) << "message " << message.number;
    for (size_t i = 1; i < placeholders.size(); i += 2) {
      EXPECT_NE(std::string("sdc").find(placeholders[i]), std::string::npos) << "message " << message.number;
    }
  }
}

TEST(DefaultMessages, FormattedMessagesTakeTheArgumentsTheInstallerPasses) {
  auto placeholders = [](int32_t number) {
    for (const DefaultMessage& message : DefaultMessages()) {
      if (message.number == number) return MessagePlaceholders(message.text);
    }
    return std::string("missing");
  };
  EXPECT_EQ(placeholders(13), "%d");
  EXPECT_EQ(placeholders(16), "%c");
  EXPECT_EQ(placeholders(19), "%s%s%s");
  EXPECT_EQ(placeholders(25), "%s%s");
  EXPECT_EQ(placeholders(40), "%s");
  EXPECT_EQ(placeholders(112), "%s%s");
  for (int32_t plain : {0, 1, 21, 53, 55, 58, 67, 68, 70, 91, 108}) EXPECT_EQ(placeholders(plain), "") << plain;
}

TEST(DefaultMessages, CorruptPackageTextIsTheBuiltInOne) {
  LanguageMessages english = DefaultEnglish();
  EXPECT_EQ(Text(english.messages[13]), std::u16string(kCorruptPackageText));
  EXPECT_EQ(Text(english.messages[21]), u"Error");
}

TEST(MessagePlaceholders, SkipsPercentSignsAndReadsFlags) {
  EXPECT_EQ(MessagePlaceholders(u"100%% done, %-5d items in %s"), "%d%s");
  EXPECT_EQ(MessagePlaceholders(u"no placeholders"), "");
  EXPECT_EQ(MessagePlaceholders(u"trailing %"), "");
}

TEST(MakeLanguageTable, InterleavesLanguagesByMessage) {
  LanguageMessages english = DefaultEnglish();
  LanguageMessages other;
  other.name = String(u"Deutsch");
  other.messages.resize(3);
  other.messages[2] = String(u"zwei");
  LanguageTable table = MakeLanguageTable({english, other});
  ASSERT_EQ(table.LanguageCount(), 2);
  EXPECT_EQ(table.MessageCount(), kDefaultMessageCount);
  EXPECT_EQ(table.messages.Count(), 2 * kDefaultMessageCount);
  EXPECT_EQ(Text(table.messages[2 * 2 + 1]), u"zwei");
  EXPECT_EQ(Text(table.messages[21 * 2]), u"Error");
  EXPECT_TRUE(table.messages[21 * 2 + 1].empty());
  EXPECT_EQ(table.current, 0);
}

}  // namespace
