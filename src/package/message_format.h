// Filling in a message of the language table. The texts come from the
// package, so they are never handed to printf as formats: each placeholder
// takes the next argument, and a placeholder without one becomes empty.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "core/string.h"

// One argument: a UTF-16 text or a number.
struct MessageArg {
  MessageArg(const String& text) : text(&text) {}
  MessageArg(const char16_t* text) : literal(text) {}
  MessageArg(int64_t number) : number(number), is_number(true) {}
  MessageArg(int32_t number) : number(number), is_number(true) {}
  MessageArg(uint32_t number) : number(number), is_number(true) {}
  MessageArg(char16_t character) : number(character), is_number(true), is_character(true) {}

  const String* text = nullptr;
  const char16_t* literal = nullptr;
  int64_t number = 0;
  bool is_number = false;
  bool is_character = false;
};

// Replaces the printf-style placeholders of `message` (%s %d %u %c %x with
// flags, width and precision; "%%" is one percent sign) by the arguments in
// order. A text given for a number placeholder is put in as text and a number
// for a text placeholder as decimal digits.
String FillMessage(const String& message, std::initializer_list<MessageArg> args);
