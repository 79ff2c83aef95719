// The languages the builder knows by name: complete translations of every
// default message, kept as UTF-8 data files (languages/*.txt, compiled in by
// languages/embed.cmake). A product's [[language]] named after one of them
// starts from its texts instead of the English ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/default_messages.h"

struct BuiltinLanguage {
  std::string file;                  // the data file it came from, for messages
  std::string name;                  // the native name (UTF-8), shown on the language page
  std::vector<std::string> aliases;  // further names it is found by (the English ones)
  uint16_t language_id = 0;          // the Windows language id (LANGID)
  int32_t code_page = 0;             // the ANSI code page of a Windows set to this language
  LanguageMessages messages;         // UTF-16, by number; name = the native name
};

// Parses one language file. Lines are "key = value"; '#' begins a comment
// line. Keys: name, alias (any number), language_id (0x hexadecimal),
// code_page and message numbers. In values "\n" is a line break (CR LF) and
// "\\" a backslash. False with the line and the reason in `error`.
bool ParseLanguageFile(const std::string& text, BuiltinLanguage* out, std::string* error);

// Every built-in language, in file-name order.
const std::vector<BuiltinLanguage>& BuiltinLanguages();

// The built-in language with this native name or alias (case does not
// matter), or null.
const BuiltinLanguage* FindBuiltinLanguage(const std::string& name);

// The language files as compiled in (generated from languages/*.txt).
struct EmbeddedFile {
  const char* name;
  const char* data;
  size_t size;
};
const std::vector<EmbeddedFile>& EmbeddedLanguageFiles();
