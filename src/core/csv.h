// Comma-separated fields: the writer that appends one field, and the reader
// that takes one record at a time. Used by data texts such as the uninstall
// data file's sections and the registry-entry table.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

// Writer options.
constexpr uint32_t kCsvDoubleBackslashes = 0x08;  // write every backslash twice
constexpr uint32_t kCsvAlwaysQuote = 0x20;        // quote even a harmless field
// Reader option: a record whose first character is '#' is a comment.
constexpr uint32_t kCsvComments = 0x01;

// Appends one field to `out`. It is quoted when asked to, when it holds any of
// , " tab CR LF ; | or begins with a space, an apostrophe or '#', or ends with
// a space; inside, every double quote is doubled. With `line_break`, each CR
// LF, LF CR, lone CR and lone LF is written as that text instead. The caller
// puts the commas between fields and CR LF after each record.
void AppendCsvField(String& out, const char* field, int32_t bytes = String::kToEnd, uint32_t options = 0,
                    const char* line_break = nullptr);
void AppendCsvFieldW(String& out, const char16_t* field, int32_t units = String::kToEnd, uint32_t options = 0,
                     const char16_t* line_break = nullptr);

// Reads the record at `*position` (bytes, or units for the W form) of `text`
// into `fields` and moves the position past its line break. Returns false
// when no record is left. Fields are separated by commas; a field that begins
// with a double quote runs to the closing one and may hold commas and line
// breaks, "" inside standing for one quote. Blanks around a field outside
// quotes are dropped, and text after a closing quote is kept. With
// kCsvDoubleBackslashes a doubled backslash reads as one.
bool ReadCsvRecord(const String& text, int32_t* position, Array<String>* fields, uint32_t options = 0);
bool ReadCsvRecordW(const String& text, int32_t* position, Array<String>* fields, uint32_t options = 0);
