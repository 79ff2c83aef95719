#include "core/registry_value.h"

#include <cstdlib>
#include <cstring>

#include "core/float_text.h"
#include "core/number_format.h"

namespace {

bool IsText(uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

bool IsUtf16(uint32_t type) { return IsText(type) || type == kRegMultiSz; }

}  // namespace

bool IsReadableRegValue(uint32_t type, uint32_t size) {
  if (size > kRegMaxValueSize) return false;
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
    case kRegBinary:
    case kRegMultiSz:
      return true;
    case kRegDword:
      return size == 4;
    case kRegQword:
      return size == 8;
    default:
      return false;
  }
}

bool NormaliseRegValue(uint32_t options, RegValue* value) {
  String& data = value->data;
  if (!IsReadableRegValue(value->type, static_cast<uint32_t>(data.length()))) return false;
  if (IsUtf16(value->type) && data.length() % 2 != 0) data.TruncateAt(data.length() - 1);
  if (IsText(value->type) && !(options & kRegKeepZero)) {
    int32_t units = data.wlength();
    while (units > 0 && data.w_str()[units - 1] == 0) --units;
    data.TruncateAtW(units);
  }
  return true;
}

bool RegValueNumber(const RegValue& value, uint32_t* number) {
  if (value.type != kRegDword || value.data.length() != 4) return false;
  std::memcpy(number, value.data.bytes(), 4);
  return true;
}

bool RegValueQword(const RegValue& value, uint64_t* number) {
  if (value.type != kRegQword || value.data.length() != 8) return false;
  std::memcpy(number, value.data.bytes(), 8);
  return true;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A plain decimal number: an optional sign, digits with an optional fraction
// (at least one digit in all), an optional exponent. No hexadecimal, no
// "inf" or "nan", nothing around it.
bool IsDecimalNumber(const char* p) {
  if (*p == '+' || *p == '-') ++p;
  int digits = 0;
  while (IsDigit(*p)) ++p, ++digits;
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) ++p, ++digits;
  }
  if (digits == 0) return false;
  if (*p == 'e' || *p == 'E') {
    ++p;
    if (*p == '+' || *p == '-') ++p;
    if (!IsDigit(*p)) return false;
    while (IsDigit(*p)) ++p;
  }
  return *p == '\0';
}

}  // namespace

bool RegValueReal(const RegValue& value, double* number) {
  uint32_t dword;
  uint64_t qword;
  if (RegValueNumber(value, &dword)) {
    *number = dword;
    return true;
  }
  if (RegValueQword(value, &qword)) {
    *number = static_cast<double>(qword);
    return true;
  }
  if (!IsText(value.type)) return false;
  // Digits are ASCII: narrow the text, refusing anything else.
  char text[64];
  int32_t units = value.data.wlength();
  const char16_t* wide = value.data.w_str();
  int32_t start = 0;
  while (start < units && (wide[start] == u' ' || wide[start] == u'\t')) ++start;
  while (units > start && (wide[units - 1] == u' ' || wide[units - 1] == u'\t')) --units;
  if (units - start >= static_cast<int32_t>(sizeof(text))) return false;
  for (int32_t i = start; i < units; ++i) {
    if (wide[i] > 0x7F) return false;
    text[i - start] = static_cast<char>(wide[i]);
  }
  text[units - start] = '\0';
  if (!IsDecimalNumber(text)) return false;
  // The text is checked to be plain decimal.
  *number = ReadDecimalReal(text);
  return true;
}

bool RegValueText(const RegValue& value, String* text) {
  if (!IsUtf16(value.type) && value.type != kRegBinary) return false;
  *text = value.data;
  return true;
}

uint32_t RegTextType(uint32_t options) {
  if (options & kRegAsBinary) return kRegBinary;
  return (options & kRegAsExpandable) ? kRegExpandSz : kRegSz;
}

String RegRealText(double number) { return RealToTextW(number, -1); }

uint32_t RegWriteSize(uint32_t type, int32_t length) {
  if (length < 0) length = 0;
  return static_cast<uint32_t>(length) + (IsText(type) ? 2u : 0u);
}

bool IsEmptyRegData(uint32_t type, const void* data, uint32_t size) {
  if (size == 0) return true;
  if (!IsUtf16(type)) return false;
  if (size < 2) return true;
  char16_t first;
  std::memcpy(&first, data, sizeof(first));
  return first == 0;
}

String EncodeMultiSz(const Array<String>& items) {
  String data;
  for (const String& item : items) {
    if (item.empty()) continue;
    data.AppendW(item.w_str(), item.wlength());
    data.AppendW(u'\0');
  }
  data.AppendW(u'\0');
  return data;
}

void DecodeMultiSz(const String& data, Array<String>* items) {
  const char16_t* text = data.w_str();
  int32_t units = data.wlength();
  int32_t start = 0;
  while (start < units && text[start] != 0) {
    int32_t end = start;
    while (end < units && text[end] != 0) ++end;
    items->Emplace(text + start, end - start);
    start = end + 1;
  }
}
