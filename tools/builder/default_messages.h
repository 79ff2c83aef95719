// The default English message table that the builder puts in every package
// unless the product replaces messages. Every text the installer and the
// uninstaller show is a message number; this table holds one for each number
// they use, worded for a current Windows installer.
//
// "<product>", "<description>" and "<os>" are replaced when a message is
// looked up; "<file>" in message 77 and "<a>" in message 105 are replaced by
// the caller. Messages that are formatted take printf placeholders: %s a
// text, %d a number, %c a character; the arguments, in order, are listed with
// each number in default_messages.cpp. A product's own texts must keep the
// same placeholders in the same order.
#pragma once

#include <cstdint>
#include <vector>

#include "core/string.h"
#include "package/languages.h"

// One past the highest message number in use.
inline constexpr int32_t kDefaultMessageCount = 114;

struct DefaultMessage {
  int32_t number;
  const char16_t* text;
  // The arguments a formatting caller passes, in order; empty when the
  // message is shown as it is.
  const char* arguments;
};

// The defaults, by number (numbers without a message are absent).
const std::vector<DefaultMessage>& DefaultMessages();

// The printf conversions of a text in order ("%s%d" for "... %s ... %d"),
// ignoring "%%". Used to check that a replacement text keeps the placeholders
// of the default it replaces.
std::string MessagePlaceholders(const char16_t* text);

// The messages of one language, indexed by number.
struct LanguageMessages {
  String name;                    // UTF-16, as shown on the language page
  std::vector<String> messages;   // UTF-16; index = message number
};

// English with every default message.
LanguageMessages DefaultEnglish();

// The stored grid: message m of language l at m * language count + l. Every
// language gets as many messages as the longest one has; missing ones are
// empty.
LanguageTable MakeLanguageTable(const std::vector<LanguageMessages>& languages);
