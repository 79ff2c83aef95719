#include "core/char_class.h"

namespace {

const SystemCharClass& System() {
  static const SystemCharClass table = LoadSystemCharClass();
  return table;
}

bool FallbackIsLower(uint32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFF);
}

bool FallbackIsUpper(uint32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xDE) || c == 0x9F;
}

uint32_t FallbackToLower(uint32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xDE)) return c + 32;
  if (c == 0x178) return 0xFF;
  return c;
}

uint32_t FallbackToUpper(uint32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFE)) return c - 32;
  if (c == 0xFF) return 0x178;
  return c;
}

// The system answers for the basic plane when it can; the table otherwise.
bool Test(bool (*system)(char16_t), bool (*fallback)(uint32_t), uint32_t c) {
  return c < 0x10000 && system ? system(static_cast<char16_t>(c)) : fallback(c);
}

uint32_t Map(char16_t (*system)(char16_t), uint32_t (*fallback)(uint32_t), uint32_t c) {
  return c < 0x10000 && system ? system(static_cast<char16_t>(c)) : fallback(c);
}

}  // namespace

bool IsAsciiLetter(uint32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsLowerChar(uint32_t c) { return Test(System().is_lower, FallbackIsLower, c); }

bool IsUpperChar(uint32_t c) { return Test(System().is_upper, FallbackIsUpper, c); }

bool IsLetterChar(uint32_t c) { return Test(System().is_alpha, IsAsciiLetter, c); }

uint32_t ToLowerChar(uint32_t c) { return Map(System().to_lower, FallbackToLower, c); }

uint32_t ToUpperChar(uint32_t c) { return Map(System().to_upper, FallbackToUpper, c); }

bool IsDigitChar(uint32_t c) { return c >= '0' && c <= '9'; }

bool IsHexDigitChar(uint32_t c) {
  return IsDigitChar(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsWordChar(uint32_t c) { return c == '_' || IsDigitChar(c) || IsLetterChar(c); }

bool IsSpaceChar(uint32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsLineBreakChar(uint32_t c) { return c == '\r' || c == '\n'; }

char AsciiToLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

char AsciiToUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
