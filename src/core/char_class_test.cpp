#include "core/char_class.h"

#include <gtest/gtest.h>

namespace {

// The host has no user32, so these are the built-in fall-backs.
TEST(CharClass, FallbackCaseTestsCoverLatin1) {
  EXPECT_TRUE(IsLowerChar('a'));
  EXPECT_TRUE(IsLowerChar(0xE0));
  EXPECT_FALSE(IsLowerChar(0xF7));  // division sign
  EXPECT_TRUE(IsLowerChar(0xFF));
  EXPECT_TRUE(IsUpperChar('Z'));
  EXPECT_TRUE(IsUpperChar(0xC0));
  EXPECT_FALSE(IsUpperChar(0xD7));  // multiplication sign
  EXPECT_TRUE(IsUpperChar(0xDE));
  EXPECT_TRUE(IsUpperChar(0x9F));
  EXPECT_FALSE(IsUpperChar(0xDF));
}

TEST(CharClass, FallbackMappingsPairUp) {
  EXPECT_EQ(ToLowerChar('A'), uint32_t('a'));
  EXPECT_EQ(ToLowerChar(0xC9), 0xE9u);
  EXPECT_EQ(ToLowerChar(0xD7), 0xD7u);
  EXPECT_EQ(ToLowerChar(0x178), 0xFFu);
  EXPECT_EQ(ToUpperChar(0xFF), 0x178u);
  EXPECT_EQ(ToUpperChar(0xE9), 0xC9u);
  EXPECT_EQ(ToUpperChar(0xF7), 0xF7u);
  EXPECT_EQ(ToUpperChar(0xDF), 0xDFu);  // sharp s has no one-letter upper case
  EXPECT_EQ(ToUpperChar('z'), uint32_t('Z'));
  EXPECT_EQ(ToUpperChar('1'), uint32_t('1'));
  // Every mapped letter comes back.
  for (uint32_t c = 0; c < 0x100; ++c) {
    if (IsUpperChar(c) && c != 0x9F) {
      EXPECT_EQ(ToUpperChar(ToLowerChar(c)), c) << c;
    }
  }
}

TEST(CharClass, LettersDigitsWordsAndBlanks) {
  EXPECT_TRUE(IsLetterChar('q'));
  EXPECT_FALSE(IsLetterChar(0xE9));  // the fall-back knows ASCII letters only
  EXPECT_TRUE(IsDigitChar('7'));
  EXPECT_FALSE(IsDigitChar('a'));
  EXPECT_TRUE(IsHexDigitChar('f'));
  EXPECT_TRUE(IsHexDigitChar('C'));
  EXPECT_FALSE(IsHexDigitChar('g'));
  EXPECT_TRUE(IsWordChar('_'));
  EXPECT_TRUE(IsWordChar('0'));
  EXPECT_FALSE(IsWordChar('-'));
  for (char c : {' ', '\t', '\r', '\n'}) EXPECT_TRUE(IsSpaceChar(static_cast<uint8_t>(c)));
  EXPECT_FALSE(IsSpaceChar('\v'));
  EXPECT_TRUE(IsLineBreakChar('\r'));
  EXPECT_FALSE(IsLineBreakChar(' '));
}

TEST(CharClass, AsciiFormsLeaveOtherBytesAlone) {
  EXPECT_EQ(AsciiToLower('Q'), 'q');
  EXPECT_EQ(AsciiToUpper('q'), 'Q');
  EXPECT_EQ(AsciiToLower('\xC9'), '\xC9');
  EXPECT_EQ(AsciiToUpper('\xE9'), '\xE9');
  EXPECT_EQ(AsciiToUpper('['), '[');
}

}  // namespace
