// Writing the settings record in its stored form: the exact inverse of
// ReadSettings' field decoding, expanded from the same field list.
#pragma once

#include "core/string.h"
#include "package/corrupt.h"
#include "package/languages.h"
#include "package/settings.h"

// Appends every field of the record in stored order to *out (the plain
// settings block, before compression). Writes what it is given, limits or
// not, so that tests can build damaged records; fails, leaving *out
// unchanged, when a text cannot take its encoding (longer than its length
// prefix allows, or a zero inside a zero-terminated text).
bool WriteSettings(const ProductSettings& settings, const LanguageTable& languages, String* out);

// The corrupt-package number the reader would report for this record because
// of a value or count outside its limits, an unknown record value, or a
// message grid that does not fit the language count; kCorruptNone when
// there is none. The builder refuses such a record before writing it.
CorruptCode CheckSettingsLimits(const ProductSettings& settings, const LanguageTable& languages);
