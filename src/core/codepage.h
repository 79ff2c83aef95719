// Conversions between code pages and UTF-16.
//
// Every conversion empties its output and returns false when it fails; callers
// then treat the text as empty. The program's own convention is the ANSI code
// page with "?" for characters it cannot hold, unless a code page is named.
#pragma once

#include <cstdint>

#include "core/string.h"

constexpr int32_t kCodePageAnsi = -1;
constexpr int32_t kCodePageUtf16 = 1200;    // UTF-16LE: bytes are copied
constexpr int32_t kCodePageUtf16Be = 1201;  // UTF-16BE: byte pairs are swapped
constexpr int32_t kCodePageWestern = 1252;
constexpr int32_t kCodePageUsAscii = 20127;  // converted as 1252
constexpr int32_t kCodePageUtf7 = 65000;
constexpr int32_t kCodePageUtf8 = 65001;

// Option bit of FromUtf16: never replace a character by a look-alike
// ("best fit"); use the default character instead.
constexpr uint32_t kConvertNoBestFit = 0x1;

// Converts `bytes` bytes of `source` (String::kToEnd: up to its terminator, a
// zero unit for 1200/1201) from `code_page` to UTF-16 in `out`. An empty
// source gives an empty result and true. `source` may lie inside `out`.
bool ToUtf16(const char* source, int32_t bytes, String& out, int32_t code_page);

// Converts `units` UTF-16 units of `source` (String::kToEnd: up to its
// terminator) to `code_page` in `out`. `default_char` stands for characters
// the code page cannot hold (ignored for UTF-7 and UTF-8).
bool FromUtf16(const char16_t* source, int32_t units, String& out, int32_t code_page,
               const char* default_char = "?", uint32_t options = 0);

// The same, returning the result (empty on failure; "?" as the default).
String ToUtf16(const char* source, int32_t bytes, int32_t code_page);
String FromUtf16(const char16_t* source, int32_t units, int32_t code_page);

// The conversions used everywhere, returning the result (empty on failure).
String Utf8ToUtf16(const char* text, int32_t bytes = String::kToEnd);
String Utf8ToUtf16(const String& text);
String Utf16ToUtf8(const char16_t* text, int32_t units = String::kToEnd);
String Utf16ToUtf8(const String& wide);
String AnsiToUtf16(const char* text, int32_t bytes = String::kToEnd);
String AnsiToUtf16(const String& text);
String Utf16ToAnsi(const char16_t* text, int32_t units = String::kToEnd);
String Utf16ToAnsi(const String& wide);

// Platform (codepage_win.cpp: MultiByteToWideChar / WideCharToMultiByte;
// codepage_host.cpp: UTF-8, 1252 as the ANSI code page, Latin-1). Same
// contract as the Win32 calls: with no output buffer the needed count is
// returned; 0 means failure with the system error code in `error`.
// `code_page` 0 is the ANSI code page.
namespace codepage_system {
constexpr uint32_t kPrecomposed = 0x1;        // MB_PRECOMPOSED
constexpr uint32_t kCompositeCheck = 0x200;   // WC_COMPOSITECHECK
constexpr uint32_t kNoBestFitChars = 0x400;   // WC_NO_BEST_FIT_CHARS
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInvalidFlags = 1004;

int32_t MultiByteToWide(uint32_t code_page, uint32_t flags, const char* source, int32_t bytes,
                        char16_t* out, int32_t out_units, uint32_t* error);
int32_t WideToMultiByte(uint32_t code_page, uint32_t flags, const char16_t* source, int32_t units,
                        char* out, int32_t out_bytes, const char* default_char, uint32_t* error);
}  // namespace codepage_system
