// Reading the decoded settings block into the product settings and the
// language string table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.h"
#include "package/corrupt.h"
#include "package/languages.h"
#include "package/reader.h"
#include "package/settings.h"

struct SettingsReadOptions {
  bool silent = false;    // /silent: adjust the flags as they are read
  String product_name;    // /n: (UTF-16); empty when not given
  String windows_folder;  // UTF-16; what "<os>" stands for
  // The system draws images beside button captions (an NT system from XP
  // on); without it ProductFlags2 bit 10 is read as clear.
  bool button_images_drawn = true;
};

// Reads the whole decoded settings block: every field in stored order with
// its limits, the end marker, then the values derived from what was read.
// Returns kCorruptNone, or the corrupt-package number of the first breach;
// the fields read before it stay set. `settings->ProductFlags2` (a header
// field) is kept, less the button images the system cannot draw; everything
// else is replaced.
//
// A block that ends early is reported with the end-marker number (32) as
// soon as the stream is exhausted, so damaged input never makes the reader
// spin through empty list entries or size a table beyond what the block holds.
CorruptCode ReadSettings(const uint8_t* block, size_t length, const SettingsReadOptions& options,
                         ProductSettings* settings, LanguageTable* languages);

// The stored fields numbered first..last, exactly as the builder wrote them:
// no silent adjustment, no derived values, messages as stored.
CorruptCode DecodeSettingsFields(SettingsStream& in, ProductSettings& settings,
                                 LanguageTable& languages, int first = 1, int last = 86);

// The values derived after reading: the /n: product name and the defaults of
// blank fields that depend on it, the narrow version, the mono-colour flag,
// messages with CR LF line breaks, the default language, the placeholders'
// values and the wizard caption.
void ApplyDerivedSettings(const SettingsReadOptions& options, ProductSettings& settings,
                          LanguageTable& languages);

// Blank: empty, or only spaces, tabs, CR and LF (UTF-16 text).
bool IsBlankW(const String& wide);
