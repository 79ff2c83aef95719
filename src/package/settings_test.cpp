// The settings record's field list, the flag rules, the language table and the
// reader's behaviour on input that no builder wrote. Records written by the
// builder are tested with the writer (tools/builder/settings_writer_test.cpp).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "package/settings_fields.h"
#include "package/settings_reader.h"
#include "package/message_box.h"

namespace {

String W(const char16_t* text) { return String(text); }

std::u16string Text(const String& wide) { return std::u16string(wide.w_str(), wide.wlength()); }

LanguageTable TwoLanguages() {
  LanguageTable table;
  table.names.Add(W(u"English"));
  table.names.Add(W(u"Deutsch"));
  const char16_t* messages[] = {u"Setup <product>", u"Installation von <product>",
                                u"<description> on <os>", u"<description> auf <os>",
                                u"Bye", u"Tsch\u00FCss"};
  for (const char16_t* m : messages) table.messages.Add(W(m));
  table.product = W(u"Widget");
  table.description = W(u"Widget Pro");
  table.windows_folder = W(u"C:\\Windows");
  return table;
}

TEST(SettingsFields, EveryFieldOnceInStoredOrder) {
  std::set<int> seen;
  int previous = 0;
  for (const SettingsFieldInfo& field : kSettingsFields) {
    EXPECT_GE(field.number, previous) << field.name;
    EXPECT_LE(field.number, previous + 1) << field.name << ": a field number is skipped";
    previous = field.number;
    seen.insert(field.number);
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kSettingsFieldCount));
  EXPECT_EQ(*seen.begin(), 1);
  EXPECT_EQ(*seen.rbegin(), kSettingsFieldCount);
  EXPECT_STREQ(kSettingsFields[std::size(kSettingsFields) - 1].name, "EndMarker");
}

TEST(SettingsFields, EverySettingsStageLimitHasItsField) {
  std::set<int> codes;
  for (const SettingsFieldInfo& field : kSettingsFields) {
    if (!field.limit.checked()) continue;
    EXPECT_LE(field.limit.low, field.limit.high) << field.name;
    EXPECT_TRUE(codes.insert(field.limit.error).second) << field.name << " reuses its number";
  }
  for (int code : {19, 24, 26, 30, 31, 32, 36, 37, 38, 39, 41, 48}) {
    EXPECT_EQ(codes.count(code), 1u) << "no field carries error " << code;
  }
}

TEST(ProductFlagsBits, TestAndSetByNumber) {
  ProductSettings s;
  s.ProductFlags = uint64_t{1} << 35 | 1u << 2;
  s.ProductFlags2 = 1u << 12;
  EXPECT_TRUE(s.Flag(35));
  EXPECT_TRUE(s.Flag(2));
  EXPECT_FALSE(s.Flag(3));
  EXPECT_FALSE(s.Flag(64));
  EXPECT_FALSE(s.Flag(-1));
  EXPECT_TRUE(s.Flag2(12));
  EXPECT_FALSE(s.Flag2(32));
  s.SetFlag(63, true);
  s.SetFlag(2, false);
  s.SetFlag2(0, true);
  EXPECT_EQ(s.ProductFlags, uint64_t{1} << 63 | uint64_t{1} << 35);
  EXPECT_EQ(s.ProductFlags2, 1u << 12 | 1u);
}

TEST(ProductFlagsBits, SilentModeTurnsOffUserFacingBitsAndOnTheirReplacements) {
  std::vector<int> set_bits;
  uint64_t from_zero = SilentModeFlags(0);
  for (int bit = 0; bit < 64; ++bit) {
    if (from_zero >> bit & 1) set_bits.push_back(bit);
  }
  EXPECT_EQ(set_bits, (std::vector<int>{21, 22, 28, 29, 43}));

  std::vector<int> cleared_bits;
  uint64_t from_all = SilentModeFlags(~uint64_t{0});
  for (int bit = 0; bit < 64; ++bit) {
    if (!(from_all >> bit & 1)) cleared_bits.push_back(bit);
  }
  EXPECT_EQ(cleared_bits, (std::vector<int>{7, 31, 34, 35, 36, 41, 44, 51}));
}

TEST(ProductFlagsBits, AutomaticModeChoice) {
  EXPECT_TRUE(AutomaticModeFromSettings(1, false, false));
  EXPECT_FALSE(AutomaticModeFromSettings(2, true, false));
  EXPECT_TRUE(AutomaticModeFromSettings(2, true, true));
  EXPECT_TRUE(AutomaticModeFromSettings(0, true, false));
  EXPECT_FALSE(AutomaticModeFromSettings(7, false, false));
}

TEST(PageStyles, SuffixOfEachStyleValue) {
  EXPECT_EQ(std::u16string(PageStyleSuffix(0)), u"Dlg2");
  EXPECT_EQ(std::u16string(PageStyleSuffix(1)), u"Dlg");
  EXPECT_EQ(std::u16string(PageStyleSuffix(2)), u"Dlg3");
  EXPECT_EQ(std::u16string(PageStyleSuffix(3)), u"Dlg4");
  EXPECT_EQ(std::u16string(PageStyleSuffix(-5)), u"Dlg3");
}

TEST(Languages, CurrentIsTheLastEnglishElseTheFirst) {
  Array<String> names;
  names.Add(W(u"Deutsch"));
  EXPECT_EQ(DefaultLanguage(names), 0);  // one language, whatever its name
  names.Add(W(u"English"));
  names.Add(W(u"Fran\u00E7ais"));
  EXPECT_EQ(DefaultLanguage(names), 1);
  names.Add(W(u"English"));
  EXPECT_EQ(DefaultLanguage(names), 3);

  Array<String> near_misses;
  near_misses.Add(W(u"Deutsch"));
  near_misses.Add(W(u"english"));
  near_misses.Add(W(u"English "));
  near_misses.Add(W(u"English (UK)"));
  EXPECT_EQ(DefaultLanguage(near_misses), 0);
  EXPECT_EQ(DefaultLanguage(Array<String>()), 0);
}

TEST(Languages, MessageOfTheCurrentLanguageWithPlaceholders) {
  LanguageTable table = TwoLanguages();
  EXPECT_EQ(table.MessageCount(), 3);
  EXPECT_EQ(Text(MessageText(table, 0)), u"Setup Widget");
  EXPECT_EQ(Text(MessageText(table, 1)), u"Widget Pro on C:\\Windows");
  table.current = 1;
  EXPECT_EQ(Text(MessageText(table, 0)), u"Installation von Widget");
  EXPECT_EQ(Text(MessageText(table, 2)), u"Tsch\u00FCss");
  // The stored text itself is not changed by a lookup.
  EXPECT_EQ(Text(table.messages[1]), u"Installation von <product>");
}

TEST(Languages, OutOfRangeGivesEmptyText) {
  LanguageTable table = TwoLanguages();
  EXPECT_TRUE(MessageText(table, 3).empty());
  EXPECT_TRUE(MessageText(table, -1).empty());
  EXPECT_TRUE(MessageText(table, 5000).empty());
  table.current = 2;
  EXPECT_TRUE(MessageText(table, 0).empty());
  table.current = -1;
  EXPECT_TRUE(MessageText(table, 0).empty());
  EXPECT_TRUE(MessageText(LanguageTable(), 0).empty());
}

TEST(Languages, ReplacementIsOnePass) {
  LanguageTable table = TwoLanguages();
  table.product = W(u"<os><description>");
  table.messages[0] = W(u"<product>|<Product>|<product|<os>");
  EXPECT_EQ(Text(MessageText(table, 0)), u"<os><description>|<Product>|<product|C:\\Windows");
}

TEST(Languages, NarrowMessageUsesTheAnsiCodePage) {
  LanguageTable table = TwoLanguages();
  table.current = 1;
  String narrow = MessageTextA(table, 2);
  EXPECT_EQ(std::string(narrow.c_str(), narrow.length()), "Tsch\xFCss");
  table.messages[5] = W(u"\u4E2D!");
  narrow = MessageTextA(table, 2);
  EXPECT_EQ(std::string(narrow.c_str(), narrow.length()), "?!");
}

TEST(Languages, LineBreaksBecomeCrLf) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"one\ntwo", u"one\r\ntwo"},        {u"one\rtwo", u"one\r\ntwo"},
      {u"one\n\rtwo", u"one\r\ntwo"},      {u"one\r\ntwo", u"one\r\ntwo"},
      {u"\n\n", u"\r\n\r\n"},              {u"a\n\r\nb", u"a\r\n\r\nb"},
      {u"end\r", u"end\r\n"},              {u"\r\r\n", u"\r\n\r\n"},
      {u"no breaks", u"no breaks"},        {u"", u""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    String text = W(cases[i].in);
    NormalizeLineBreaks(text);
    EXPECT_EQ(Text(text), std::u16string(cases[i].out)) << "case " << i;
  }
}

TEST(Languages, MessageBoxRulesComeFromTheRunsProduct) {
  RunProduct product;
  product.languages = TwoLanguages();
  EXPECT_EQ(Text(MessageText(product.languages, 0)), u"Setup Widget");
  String narrow = MessageTextA(product.languages, 1);
  EXPECT_EQ(std::string(narrow.c_str(), narrow.length()), "Widget Pro on C:\\Windows");
  EXPECT_TRUE(MessageText(product.languages, 99).empty());
  EXPECT_EQ(Text(ErrorTitle()), u"Error");
  product.settings.SetFlag(product_flag::kErrorBoxesWhenAutomatic, true);
  MessageBoxRules rules = MessageBoxRulesOf(product);
  EXPECT_TRUE(rules.error_boxes_when_automatic);
  EXPECT_TRUE(rules.error_title.empty());  // no message 21 in this table: the built-in title stays
  SetMessageBoxRules(rules);
  EXPECT_EQ(Text(ErrorTitle()), u"Error");
  rules.error_title = W(u"Fehler");
  SetMessageBoxRules(rules);
  EXPECT_EQ(Text(ErrorTitle()), u"Fehler");
  SetMessageBoxRules(MessageBoxRules());
}

TEST(Blank, OnlyWhitespaceIsBlank) {
  EXPECT_TRUE(IsBlankW(String()));
  EXPECT_TRUE(IsBlankW(W(u" \t\r\n ")));
  EXPECT_FALSE(IsBlankW(W(u" x ")));
  EXPECT_FALSE(IsBlankW(W(u"\u00A0")));
}

// Input no builder wrote: whatever the bytes, the reader answers with a
// number and stays inside the block (the sanitizer build checks the latter).
TEST(SettingsReader, EmptyAndShortBlocksLackTheEndMarker) {
  ProductSettings s;
  LanguageTable l;
  EXPECT_EQ(ReadSettings(nullptr, 0, {}, &s, &l), kCorruptSettingsEndMarker);
  std::vector<uint8_t> zeros(64, 0);
  for (size_t length : {1u, 8u, 9u, 40u, 64u}) {
    EXPECT_EQ(ReadSettings(zeros.data(), length, {}, &s, &l), kCorruptSettingsEndMarker)
        << length;
  }
}

TEST(SettingsReader, KeepsTheHeaderFlagWord) {
  ProductSettings s;
  LanguageTable l;
  s.ProductFlags2 = 0x1234;
  s.DisplayName = W(u"stale");
  ReadSettings(nullptr, 0, {}, &s, &l);
  EXPECT_EQ(s.ProductFlags2, 0x1234u);
  EXPECT_TRUE(s.DisplayName.empty());
}

// A system that cannot draw button images has the bit clear from the start;
// the rest of the word stays as the header gave it.
TEST(SettingsReader, ButtonImagesAreClearWhereTheSystemCannotDrawThem) {
  for (const bool drawn : {true, false}) {
    ProductSettings s;
    LanguageTable l;
    s.ProductFlags2 = 0x1634;  // bit 10 among others
    SettingsReadOptions options;
    options.button_images_drawn = drawn;
    ReadSettings(nullptr, 0, options, &s, &l);
    EXPECT_EQ(s.ProductFlags2, drawn ? 0x1634u : 0x1234u) << drawn;
    EXPECT_EQ(s.Flag2(product_flag2::kButtonImages), drawn);
  }
}

TEST(SettingsReader, RandomBytesNeverPassUnnoticed) {
  std::mt19937 random(20240305);
  std::vector<uint8_t> block;
  for (int round = 0; round < 3000; ++round) {
    block.resize(random() % 600);
    for (uint8_t& byte : block) {
      // Mostly small values, so counts and lengths often land in range.
      byte = static_cast<uint8_t>(random() % 4 == 0 ? random() : random() % 3);
    }
    ProductSettings s;
    LanguageTable l;
    CorruptCode code = ReadSettings(block.data(), block.size(), {}, &s, &l);
    EXPECT_NE(code, kCorruptNone) << "round " << round;
    EXPECT_LE(l.messages.Count(), static_cast<int32_t>(block.size()));
  }
}

}  // namespace
