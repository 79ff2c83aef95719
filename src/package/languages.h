// The language string table: every text the installer shows is message N of
// the current language. The package stores the language names and a grid of
// messages; the lookup fills in the product's names on the way out.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

struct LanguageTable {
  Array<String> names;     // UTF-16, in stored order; shown on the language page
  Array<String> messages;  // UTF-16; message m of language l is m * names.Count() + l
  int32_t current = 0;     // index into names

  // What the placeholders stand for: "<product>", "<description>" and
  // "<os>" (the Windows folder). Set when the settings are read.
  String product;
  String description;
  String windows_folder;

  int32_t LanguageCount() const { return names.Count(); }
  // Messages per language.
  int32_t MessageCount() const;
};

// The language chosen before the user has a say: the last one named exactly
// "English" (case-sensitive), else 0.
int32_t DefaultLanguage(const Array<String>& names);

// Makes every line break of a UTF-16 text CR LF: a lone LF, a lone CR and an
// LF CR pair each become CR LF; CR LF stays.
void NormalizeLineBreaks(String& wide);

// Replaces every "<product>", "<description>" and "<os>" in a UTF-16 text.
String ReplacePlaceholders(const String& wide, const LanguageTable& table);

// Message n of the current language with its placeholders replaced (UTF-16).
// Empty when n is outside the table or the current language is outside the row.
String MessageText(const LanguageTable& table, int32_t n);
// The same, converted to the ANSI code page with "?" for what it cannot hold.
String MessageTextA(const LanguageTable& table, int32_t n);
