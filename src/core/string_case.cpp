// String's case-changing members.
#include "core/char_class.h"
#include "core/string.h"

void String::ToLower() {
  for (int32_t i = 0; i < length_; ++i) data_[i] = static_cast<uint8_t>(AsciiToLower(static_cast<char>(data_[i])));
}

void String::ToUpper() {
  for (int32_t i = 0; i < length_; ++i) data_[i] = static_cast<uint8_t>(AsciiToUpper(static_cast<char>(data_[i])));
}

void String::ToLowerW() {
  char16_t* text = wdata();
  for (int32_t i = 0; i < wlength(); ++i) text[i] = static_cast<char16_t>(ToLowerChar(text[i]));
}

void String::ToUpperW() {
  char16_t* text = wdata();
  for (int32_t i = 0; i < wlength(); ++i) text[i] = static_cast<char16_t>(ToUpperChar(text[i]));
}
