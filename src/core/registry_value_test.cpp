#include "core/registry_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

RegValue Raw(uint32_t type, const void* bytes, int32_t count) {
  RegValue value;
  value.type = type;
  value.data.Assign(bytes, count);
  return value;
}

TEST(RegistryValueChecks, NumbersMustHaveTheirExactSize) {
  EXPECT_TRUE(IsReadableRegValue(kRegDword, 4));
  EXPECT_FALSE(IsReadableRegValue(kRegDword, 8));
  EXPECT_FALSE(IsReadableRegValue(kRegDword, 2));
  EXPECT_FALSE(IsReadableRegValue(kRegDword, 0));
  EXPECT_TRUE(IsReadableRegValue(kRegQword, 8));
  EXPECT_FALSE(IsReadableRegValue(kRegQword, 4));

  const uint8_t eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  RegValue value = Raw(kRegDword, eight, 8);
  EXPECT_FALSE(NormaliseRegValue(0, &value));
  EXPECT_EQ(value.data.length(), 8);  // untouched
  uint32_t number = 77;
  EXPECT_FALSE(RegValueNumber(value, &number));
  EXPECT_EQ(number, 77u);

  value = Raw(kRegDword, "\x78\x56\x34\x12", 4);
  ASSERT_TRUE(NormaliseRegValue(0, &value));
  ASSERT_TRUE(RegValueNumber(value, &number));
  EXPECT_EQ(number, 0x12345678u);
  uint64_t wide = 0;
  EXPECT_FALSE(RegValueQword(value, &wide));

  value = Raw(kRegQword, "\x08\x07\x06\x05\x04\x03\x02\x01", 8);
  ASSERT_TRUE(RegValueQword(value, &wide));
  EXPECT_EQ(wide, 0x0102030405060708ull);
  EXPECT_FALSE(RegValueNumber(value, &number));
}

TEST(RegistryValueChecks, OtherTypesAndOversizedValuesAreRefused) {
  for (uint32_t type : {0u, 5u, 6u, 8u, 9u, 10u, 12u}) EXPECT_FALSE(IsReadableRegValue(type, 4)) << type;
  for (uint32_t type : {1u, 2u, 3u, 7u}) {
    EXPECT_TRUE(IsReadableRegValue(type, 0)) << type;
    EXPECT_TRUE(IsReadableRegValue(type, kRegMaxValueSize)) << type;
    EXPECT_FALSE(IsReadableRegValue(type, kRegMaxValueSize + 1)) << type;
  }
}

TEST(RegistryValueChecks, TextLosesItsTerminatingZerosUnlessKept) {
  // Written with one zero, with none, with two, and with a stray odd byte.
  const char16_t with_zero[] = u"C:\\Apps";
  RegValue value = Raw(kRegSz, with_zero, sizeof(with_zero));
  ASSERT_TRUE(NormaliseRegValue(0, &value));
  EXPECT_EQ(W(value.data), u"C:\\Apps");

  value = Raw(kRegExpandSz, with_zero, sizeof(with_zero) - 2);
  ASSERT_TRUE(NormaliseRegValue(0, &value));
  EXPECT_EQ(W(value.data), u"C:\\Apps");

  const char16_t two_zeros[] = u"ab\0";
  value = Raw(kRegSz, two_zeros, sizeof(two_zeros));
  ASSERT_TRUE(NormaliseRegValue(0, &value));
  EXPECT_EQ(W(value.data), u"ab");

  value = Raw(kRegSz, "a\0b\0\0\0x", 7);
  ASSERT_TRUE(NormaliseRegValue(0, &value));
  EXPECT_EQ(W(value.data), u"ab");

  value = Raw(kRegSz, with_zero, sizeof(with_zero));
  ASSERT_TRUE(NormaliseRegValue(kRegKeepZero, &value));
  EXPECT_EQ(value.data.length(), static_cast<int32_t>(sizeof(with_zero)));

  // Binary data keeps every byte, zeros and odd length included.
  value = Raw(kRegBinary, "\x01\x00\x00", 3);
  ASSERT_TRUE(NormaliseRegValue(0, &value));
  EXPECT_EQ(value.data.length(), 3);
  String text;
  ASSERT_TRUE(RegValueText(value, &text));
  EXPECT_EQ(text.length(), 3);
  EXPECT_FALSE(RegValueText(Raw(kRegDword, "\0\0\0\0", 4), &text));
}

RegValue Text(const char16_t* text) {
  RegValue value;
  value.type = kRegSz;
  value.data.AssignW(text);
  return value;
}

TEST(RegistryValueReals, RealsReadFromTheirTextOrFromNumbers) {
  double number = 0;
  for (auto [text, expected] : {std::pair{u"2.5", 2.5}, {u" -0.125 ", -0.125}, {u"+3", 3.0}, {u"1e3", 1000.0}}) {
    ASSERT_TRUE(RegValueReal(Text(text), &number)) << std::string(text, text + 2);
    EXPECT_EQ(number, expected);
  }
  for (const char16_t* bad : {u"", u"  ", u"2.5x", u"two", u"+-1", u"++1", u"1,5", u"\u0661", u"0x10", u"inf", u"1e", u"."}) {
    number = 9;
    EXPECT_FALSE(RegValueReal(Text(bad), &number));
    EXPECT_EQ(number, 9);
  }
  EXPECT_TRUE(RegValueReal(Raw(kRegDword, "\x07\0\0\0", 4), &number));
  EXPECT_EQ(number, 7);
  EXPECT_FALSE(RegValueReal(Raw(kRegBinary, "2.5", 3), &number));

  // Written as the program writes reals, and read back.
  EXPECT_EQ(W(RegRealText(2.5)), u"2.5");
  EXPECT_EQ(W(RegRealText(3.0)), u"3");
  ASSERT_TRUE(RegValueReal(Text(RegRealText(-1234.0625).w_str()), &number));
  EXPECT_EQ(number, -1234.0625);
}

TEST(RegistryValueWrites, TextTypeAndSizeFollowTheOptions) {
  EXPECT_EQ(RegTextType(0), kRegSz);
  EXPECT_EQ(RegTextType(kRegAsExpandable), kRegExpandSz);
  EXPECT_EQ(RegTextType(kRegAsBinary), kRegBinary);
  EXPECT_EQ(RegTextType(kRegAsBinary | kRegAsExpandable), kRegBinary);
  EXPECT_EQ(RegWriteSize(kRegSz, 10), 12u);
  EXPECT_EQ(RegWriteSize(kRegExpandSz, 0), 2u);
  EXPECT_EQ(RegWriteSize(kRegBinary, 10), 10u);
  EXPECT_EQ(RegWriteSize(kRegDword, 4), 4u);
  EXPECT_EQ(RegWriteSize(kRegMultiSz, 8), 8u);
}

TEST(RegistryValueWrites, EmptyMeansNoBytesOrTextEndingAtOnce) {
  EXPECT_TRUE(IsEmptyRegData(kRegBinary, nullptr, 0));
  EXPECT_FALSE(IsEmptyRegData(kRegBinary, "\0", 1));  // one zero byte is data
  EXPECT_TRUE(IsEmptyRegData(kRegSz, u"", 2));
  EXPECT_TRUE(IsEmptyRegData(kRegExpandSz, u"x", 1));  // not even one unit
  EXPECT_FALSE(IsEmptyRegData(kRegSz, u"x", 4));
  EXPECT_TRUE(IsEmptyRegData(kRegMultiSz, u"\0", 4));
  EXPECT_FALSE(IsEmptyRegData(kRegDword, "\0\0\0\0", 4));
}

TEST(RegistryMultiSz, ListsRoundTripAndEmptyItemsCannotBeStored) {
  Array<String> items;
  items.Emplace(u"first");
  items.Emplace(u"");
  items.Emplace(u"C:\\second path");
  String data = EncodeMultiSz(items);
  const char16_t expected[] = u"first\0C:\\second path\0";  // plus the literal's own zero
  ASSERT_EQ(data.length(), static_cast<int32_t>(sizeof(expected)));
  EXPECT_EQ(std::memcmp(data.bytes(), expected, sizeof(expected)), 0);

  Array<String> back;
  DecodeMultiSz(data, &back);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(W(back[0]), u"first");
  EXPECT_EQ(W(back[1]), u"C:\\second path");

  Array<String> none;
  String empty = EncodeMultiSz(none);
  EXPECT_EQ(empty.length(), 2);
  DecodeMultiSz(empty, &back);
  EXPECT_EQ(back.Count(), 2);  // appends nothing
}

TEST(RegistryMultiSz, DecodingStopsAtTheEndMarkerAndToleratesMissingZeros) {
  Array<String> items;
  String data;
  data.Assign(u"a\0b\0\0c\0\0", 9 * 2);  // "c" lies after the end of the list
  DecodeMultiSz(data, &items);
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(W(items[1]), u"b");

  items.RemoveAll();
  data.Assign(u"one\0two", 7 * 2);  // written without its terminators
  DecodeMultiSz(data, &items);
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(W(items[1]), u"two");

  items.RemoveAll();
  DecodeMultiSz(String(), &items);
  EXPECT_EQ(items.Count(), 0);
}

}  // namespace
