// Character classes and case mappings of UTF-16 text.
//
// When user32 offers IsCharLowerW, IsCharUpperW, IsCharAlphaW, CharLowerW and
// CharUpperW, they decide for characters below 0x10000; otherwise (and always
// on the host) a small Latin-1 table applies. The pure-ASCII forms serve 8-bit
// text, whose code page the library does not know.
#pragma once

#include <cstdint>

bool IsLowerChar(uint32_t c);
bool IsUpperChar(uint32_t c);
bool IsLetterChar(uint32_t c);
uint32_t ToLowerChar(uint32_t c);
uint32_t ToUpperChar(uint32_t c);

bool IsDigitChar(uint32_t c);      // 0-9
bool IsHexDigitChar(uint32_t c);   // 0-9, A-F, a-f
bool IsWordChar(uint32_t c);       // '_', digit or letter
bool IsSpaceChar(uint32_t c);      // tab, LF, CR, space
bool IsLineBreakChar(uint32_t c);  // CR or LF

// A-Z and a-z only; every other byte is left as it is.
char AsciiToLower(char c);
char AsciiToUpper(char c);
bool IsAsciiLetter(uint32_t c);

// The system's own answers, looked up once. Each member is null when the
// system does not offer it; the host build offers none.
struct SystemCharClass {
  bool (*is_lower)(char16_t c);
  bool (*is_upper)(char16_t c);
  bool (*is_alpha)(char16_t c);
  char16_t (*to_lower)(char16_t c);
  char16_t (*to_upper)(char16_t c);
};

// Platform: fills the table (char_class_win.cpp / char_class_host.cpp).
SystemCharClass LoadSystemCharClass();
