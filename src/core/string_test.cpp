#include "core/string.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

TEST(StringStorage, EmptyStringHandsOutTerminatedTexts) {
  String s;
  EXPECT_EQ(s.length(), 0);
  EXPECT_EQ(s.capacity(), 0);
  ASSERT_NE(s.c_str(), nullptr);
  EXPECT_EQ(s.c_str()[0], '\0');
  ASSERT_NE(s.w_str(), nullptr);
  EXPECT_EQ(s.w_str()[0], u'\0');
  EXPECT_EQ(s.data(), nullptr);
}

TEST(StringStorage, AppendingOneByteAtATimeFollowsTheGrowthRule) {
  String s;
  s.Append('x');
  EXPECT_EQ(s.capacity(), 16);  // 1 + 1 + 14
  for (int i = 2; i <= 14; ++i) s.Append('x');
  EXPECT_EQ(s.capacity(), 16);  // grows only when length exceeds capacity - 2
  s.Append('x');
  EXPECT_EQ(s.length(), 15);
  EXPECT_EQ(s.capacity(), 2 * 15 + 14);
  EXPECT_EQ(String::GrowthCapacity(200), 2 * 200 + 48);
  EXPECT_EQ(String::GrowthCapacity(5000), 2 * 5000 + 96);
  EXPECT_EQ(String::GrowthCapacity(20000), 2 * 20000 + 2048);
}

TEST(StringStorage, ContentIsAlwaysDoublyTerminated) {
  String s("abc");
  s.Append("def");
  ASSERT_GE(s.capacity(), s.length() + 2);
  EXPECT_EQ(s.c_str()[6], '\0');
  EXPECT_EQ(s.c_str()[7], '\0');
  s.Delete(2, 1);
  EXPECT_EQ(Text(s), "abdef");
  EXPECT_EQ(s.c_str()[5], '\0');
  EXPECT_EQ(s.c_str()[6], '\0');
}

TEST(StringStorage, SetLengthToZeroOrLessFreesStorage) {
  String s("hello");
  s.SetLength(0);
  EXPECT_EQ(s.data(), nullptr);
  EXPECT_EQ(s.capacity(), 0);
  s = "x";
  s.SetLength(-5);
  EXPECT_EQ(s.data(), nullptr);
}

TEST(StringStorage, TrimmingAndExactForms) {
  String s;
  s.SetLength(5000);
  EXPECT_EQ(s.capacity(), 2 * 5000 + 96);
  s.SetLengthTrim(100);  // more than 1024 unused: give it back
  EXPECT_EQ(s.capacity(), 140);
  s.SetLengthTrim(90);  // within 1024 of the capacity: keep it
  EXPECT_EQ(s.capacity(), 140);
  s.SetLengthTrim(10);
  EXPECT_EQ(s.capacity(), 140);
  s.SetLengthTrim(200);
  EXPECT_EQ(s.capacity(), 240);
  s.SetLengthTrim(20000);
  EXPECT_EQ(s.capacity(), 21024);
  s.SetLengthTrim(30);
  EXPECT_EQ(s.capacity(), 32);
  s.SetLengthExact(7);
  EXPECT_EQ(s.capacity(), 9);
  EXPECT_EQ(s.length(), 7);
}

TEST(StringStorage, ReserveKeepsContentAndAllocatesExactly) {
  String s("abc");
  s.Reserve(100);
  EXPECT_EQ(s.capacity(), 100);
  EXPECT_EQ(Text(s), "abc");
  s.Reserve(10);  // never shrinks
  EXPECT_EQ(s.capacity(), 100);
  String e;
  e.Reserve(1);
  EXPECT_EQ(e.capacity(), 2);  // at least length + 2
  EXPECT_EQ(e.c_str()[0], '\0');
}

TEST(StringEditing, ReplaceOutsideTheTextChangesNothing) {
  String s("abc");
  EXPECT_FALSE(s.Replace(4, 0, "x", 1));
  EXPECT_FALSE(s.Replace(-1, 0, "x", 1));
  EXPECT_FALSE(s.Insert(9, "x"));
  EXPECT_EQ(Text(s), "abc");
  EXPECT_TRUE(s.Replace(3, 0, "x", 1));  // the end itself is a valid position
  EXPECT_EQ(Text(s), "abcx");
}

TEST(StringEditing, RemoveCountIsClampedToWhatIsLeft) {
  String s("abcdef");
  EXPECT_TRUE(s.Replace(4, 100, "XY", 2));
  EXPECT_EQ(Text(s), "abcdXY");
  EXPECT_TRUE(s.Delete(1));
  EXPECT_EQ(Text(s), "a");
}

TEST(StringEditing, SourcesInsideTheOwnBufferAreSafe) {
  String s("abc");
  s.Append(s);
  EXPECT_EQ(Text(s), "abcabc");
  String t("0123456789");
  t.Insert(2, t.c_str() + 5, 3);  // a slice of itself, moved by the insertion
  EXPECT_EQ(Text(t), "0156723456789");
  String u("hello world");
  u.Assign(u.c_str() + 6, 5);
  EXPECT_EQ(Text(u), "world");
  String v;
  for (int i = 0; i < 12; ++i) v.Append(v.length() ? v : String("ab"));
  EXPECT_EQ(v.length(), 2 << 11);
}

TEST(StringEditing, FillForms) {
  String s("ac");
  s.InsertFill(1, 'b', 3);
  EXPECT_EQ(Text(s), "abbbc");
  s.InsertRepeated(0, "xy", 2, 2);
  EXPECT_EQ(Text(s), "xyxyabbbc");
  s.InsertRepeated(0, s.c_str() + 4, 1, 3);
  EXPECT_EQ(Text(s), "aaaxyxyabbbc");
}

TEST(StringWide, PositionsAndCountsAreUnits) {
  String w(u"hello");
  EXPECT_EQ(w.length(), 10);
  EXPECT_EQ(w.wlength(), 5);
  w.AppendW(u" world");
  w.InsertW(0, u">", 1);
  EXPECT_EQ(std::u16string(w.w_str()), u">hello world");
  w.DeleteW(6);
  EXPECT_EQ(std::u16string(w.w_str()), u">hello");
  w.InsertFillW(1, u'-', 2);
  EXPECT_EQ(std::u16string(w.w_str()), u">--hello");
  w.AppendW(u'!');
  EXPECT_EQ(w.AtW(8), u'!');
  EXPECT_FALSE(w.InsertW(50, u"x"));
}

TEST(StringValue, CopyMoveAndEquality) {
  String a("same");
  String b = a;
  EXPECT_TRUE(a == b);
  String c = std::move(b);
  EXPECT_TRUE(c == a);
  EXPECT_EQ(b.length(), 0);  // the moved-from string is empty
  EXPECT_EQ(b.data(), nullptr);
  EXPECT_TRUE(String() == String(""));
  EXPECT_FALSE(String("ab") == String("abc"));
  EXPECT_FALSE(String("ab") == String(u"ab"));
}

TEST(StringDeath, IndexOutsideTheTextIsFatal) {
  String s("abc");
  EXPECT_EQ(s.At(2), 'c');
  EXPECT_EXIT(s.At(3), testing::ExitedWithCode(1), "Internal Fatal Error\r\nModule: qk_core\r\nLine: [0-9]+");
  EXPECT_EXIT(s.AtW(-1), testing::ExitedWithCode(1), "Module: qk_core");
}

TEST(StringTrim, DefaultSetIsSpaceCrLfTab) {
  String s(" \t\r\n two words \r\n");
  s.Trim();
  EXPECT_EQ(Text(s), "two words");
  String only("\r\n\t ");
  only.Trim();
  EXPECT_TRUE(only.empty());
  String ends("--x--");
  ends.TrimStart("-");
  EXPECT_EQ(Text(ends), "x--");
  ends.TrimEnd("-");
  EXPECT_EQ(Text(ends), "x");
  String w(u"  wide\t");
  w.TrimW();
  EXPECT_EQ(std::u16string(w.w_str()), u"wide");
  w.TrimEndW(u"e");
  w.TrimStartW(u"w");
  EXPECT_EQ(std::u16string(w.w_str()), u"id");
}

TEST(StringTrim, AtAndAfterAnOccurrence) {
  String s("C:\\dir\\file.txt");
  String t = s;
  EXPECT_TRUE(t.TrimAtLast('\\'));
  EXPECT_EQ(Text(t), "C:\\dir");
  t = s;
  EXPECT_TRUE(t.TrimAfterLast('\\'));  // keeps the separator
  EXPECT_EQ(Text(t), "C:\\dir\\");
  t = s;
  EXPECT_TRUE(t.TrimAtFirst('\\'));
  EXPECT_EQ(Text(t), "C:");
  t = s;
  EXPECT_TRUE(t.TrimAfterFirst('\\'));
  EXPECT_EQ(Text(t), "C:\\");
  EXPECT_FALSE(t.TrimAtFirst('#'));
  EXPECT_FALSE(t.TrimAfterLast('#'));
  EXPECT_EQ(Text(t), "C:\\");
  String w(u"a;b;c");
  EXPECT_TRUE(w.TrimAtLastW(u';'));
  EXPECT_EQ(std::u16string(w.w_str()), u"a;b");
  EXPECT_TRUE(w.TrimAfterFirstW(u';'));
  EXPECT_EQ(std::u16string(w.w_str()), u"a;");
  EXPECT_TRUE(w.TrimAtFirstW(u';'));
  EXPECT_FALSE(w.TrimAfterLastW(u';'));
  EXPECT_EQ(std::u16string(w.w_str()), u"a");
}

TEST(StringTakeUpTo, ConsumesASeparatedList) {
  String list(u"one;;three");
  EXPECT_EQ(std::u16string(list.TakeUpToW(u';').w_str()), u"one");
  EXPECT_EQ(std::u16string(list.w_str()), u";three");
  EXPECT_TRUE(list.TakeUpToW(u';').empty());
  const String last = list.TakeUpToW(u';');
  EXPECT_EQ(std::u16string(last.w_str()), u"three");
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(list.TakeUpToW(u';').empty());
}

TEST(StringCase, EightBitFormsChangeAsciiOnly) {
  String s("Ab\xC9\xE9z");
  s.ToUpper();
  EXPECT_EQ(Text(s), "AB\xC9\xE9Z");
  s.ToLower();
  EXPECT_EQ(Text(s), "ab\xC9\xE9z");
  String w(u"Ab\u00C9\u00FFz");
  w.ToUpperW();
  EXPECT_EQ(std::u16string(w.w_str()), u"AB\u00C9\u0178Z");
  w.ToLowerW();
  EXPECT_EQ(std::u16string(w.w_str()), u"ab\u00E9\u00FFz");
}

}  // namespace
