#include "core/codepage.h"

#include <cstring>
#include <utility>

namespace cs = codepage_system;

namespace {

// Bytes of UTF-16 text up to its zero unit; the source may be unaligned.
int32_t MeasureUtf16Bytes(const char* source) {
  int32_t n = 0;
  while (source[n] || source[n + 1]) n += 2;
  return n;
}

// UTF-16 bytes copied as they are, or with every byte pair swapped (1201).
// An odd trailing byte is no character and is dropped.
void CopyUnits(const void* source, int32_t bytes, String& out, bool swap) {
  String result;
  result.SetLengthExact(bytes & ~1);
  if (result.length() > 0) std::memcpy(result.data(), source, static_cast<size_t>(result.length()));
  if (swap) {
    uint8_t* p = result.data();
    for (int32_t i = 0; i + 1 < result.length(); i += 2) {
      const uint8_t first = p[i];
      p[i] = p[i + 1];
      p[i + 1] = first;
    }
  }
  out = std::move(result);
}

uint32_t SystemCodePage(int32_t code_page) {
  if (code_page == kCodePageAnsi) return 0;
  if (code_page == kCodePageUsAscii) return kCodePageWestern;
  return static_cast<uint32_t>(code_page);
}

bool Fail(String& out) {
  out.Clear();
  return false;
}

}  // namespace

bool ToUtf16(const char* source, int32_t bytes, String& out, int32_t code_page) {
  const bool utf16 = code_page == kCodePageUtf16 || code_page == kCodePageUtf16Be;
  if (source && bytes == String::kToEnd) bytes = utf16 ? MeasureUtf16Bytes(source) : TextLength(source);
  if (!source || bytes <= 0) {
    out.Clear();
    return true;
  }
  if (utf16) {
    CopyUnits(source, bytes, out, code_page == kCodePageUtf16Be);
    return true;
  }
  const uint32_t cp = SystemCodePage(code_page);
  uint32_t flags = cs::kPrecomposed;
  uint32_t error = 0;
  int32_t units = cs::MultiByteToWide(cp, flags, source, bytes, nullptr, 0, &error);
  if (units == 0 && error == cs::kErrorInvalidFlags) {
    // UTF-8, UTF-7 and a few others accept no flags.
    flags = 0;
    units = cs::MultiByteToWide(cp, flags, source, bytes, nullptr, 0, &error);
  }
  if (units < 1 || units > String::kToEnd / 2 - 1) return Fail(out);
  String result;  // apart from `out`, which may hold the source
  result.SetLengthExact(units * 2);
  if (cs::MultiByteToWide(cp, flags, source, bytes, result.wdata(), units, &error) != units) return Fail(out);
  out = std::move(result);
  return true;
}

bool FromUtf16(const char16_t* source, int32_t units, String& out, int32_t code_page,
               const char* default_char, uint32_t options) {
  if (source && units == String::kToEnd) units = TextLengthW(source);
  if (!source || units <= 0) {
    out.Clear();
    return true;
  }
  if (units > String::kToEnd / 2 - 1) return Fail(out);
  if (code_page == kCodePageUtf16 || code_page == kCodePageUtf16Be) {
    CopyUnits(source, units * 2, out, code_page == kCodePageUtf16Be);
    return true;
  }
  uint32_t flags = cs::kCompositeCheck | ((options & kConvertNoBestFit) ? cs::kNoBestFitChars : 0);
  if (code_page == kCodePageUtf8 || code_page == kCodePageUtf7) {
    flags = 0;
    default_char = nullptr;  // refused by the system for these code pages
  }
  const uint32_t cp = SystemCodePage(code_page);
  uint32_t error = 0;
  int32_t bytes = cs::WideToMultiByte(cp, flags, source, units, nullptr, 0, default_char, &error);
  if (bytes == 0 && error == cs::kErrorInvalidFlags) {
    flags = 0;
    bytes = cs::WideToMultiByte(cp, flags, source, units, nullptr, 0, default_char, &error);
  }
  if (bytes < 1) return Fail(out);
  String result;
  result.SetLengthExact(bytes);
  if (cs::WideToMultiByte(cp, flags, source, units, reinterpret_cast<char*>(result.data()), bytes,
                          default_char, &error) != bytes) {
    return Fail(out);
  }
  out = std::move(result);
  return true;
}

String ToUtf16(const char* source, int32_t bytes, int32_t code_page) {
  String out;
  ToUtf16(source, bytes, out, code_page);
  return out;
}

String FromUtf16(const char16_t* source, int32_t units, int32_t code_page) {
  String out;
  FromUtf16(source, units, out, code_page);
  return out;
}

String Utf8ToUtf16(const char* text, int32_t bytes) { return ToUtf16(text, bytes, kCodePageUtf8); }
String Utf8ToUtf16(const String& text) { return ToUtf16(text.c_str(), text.length(), kCodePageUtf8); }
String Utf16ToUtf8(const char16_t* text, int32_t units) { return FromUtf16(text, units, kCodePageUtf8); }
String Utf16ToUtf8(const String& wide) { return FromUtf16(wide.w_str(), wide.wlength(), kCodePageUtf8); }
String AnsiToUtf16(const char* text, int32_t bytes) { return ToUtf16(text, bytes, kCodePageAnsi); }
String AnsiToUtf16(const String& text) { return ToUtf16(text.c_str(), text.length(), kCodePageAnsi); }
String Utf16ToAnsi(const char16_t* text, int32_t units) { return FromUtf16(text, units, kCodePageAnsi); }
String Utf16ToAnsi(const String& wide) { return FromUtf16(wide.w_str(), wide.wlength(), kCodePageAnsi); }
