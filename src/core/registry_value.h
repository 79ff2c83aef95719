// Registry values as data: the value types the program reads and writes, the
// checks a value must pass before it is believed, and the REG_MULTI_SZ list
// encoding. Text values are UTF-16 (the program uses the wide registry
// interface only).
#pragma once

#include <cstdint>

#include "core/registry_options.h"
#include "core/string.h"
#include "core/vector.h"

// The system's value type codes.
enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// A value as read: its type and its data (UTF-16 for the text types).
struct RegValue {
  uint32_t type = kRegNone;
  String data;
};

// Whether the program reads a value of this type and size: text (1, 2), list
// (7) and binary (3) of any size up to kRegMaxValueSize, a number (4) of
// exactly 4 bytes and a 64-bit number (11) of exactly 8 bytes. Every other
// type, and a number of another size (an 8-byte REG_DWORD), is refused.
bool IsReadableRegValue(uint32_t type, uint32_t size);

// Brings data as the system returned it into the form callers get: a stray
// odd byte after UTF-16 text is dropped, and text (1, 2) loses its
// terminating zeros unless `options` has kRegKeepZero (values written by
// other programs may carry none, one or several). False, and nothing
// changed, for a value that IsReadableRegValue refuses.
bool NormaliseRegValue(uint32_t options, RegValue* value);

// Typed views of a value that was read. Each answers false for another type.
bool RegValueNumber(const RegValue& value, uint32_t* number);  // REG_DWORD
bool RegValueQword(const RegValue& value, uint64_t* number);  // REG_QWORD
// A real: decimal text (REG_SZ, REG_EXPAND_SZ; blanks around it allowed,
// nothing else) as the program writes reals, or a number (REG_DWORD,
// REG_QWORD). Text that is not wholly a number is refused.
bool RegValueReal(const RegValue& value, double* number);
// Text or bytes: the data of REG_SZ, REG_EXPAND_SZ, REG_BINARY and REG_MULTI_SZ.
bool RegValueText(const RegValue& value, String* text);

// The type a text is written as: REG_SZ, REG_EXPAND_SZ with
// kRegAsExpandable, REG_BINARY with kRegAsBinary (binary wins).
uint32_t RegTextType(uint32_t options);
// The text a real is written as: six decimals at most, trailing zeros and
// point removed ("2.5", "3").
String RegRealText(double number);
// The byte count written for `length` bytes of data of `type`: text types get
// their terminating zero (the buffer of a String always has one), so that
// readers that expect it, as the system documents, find it.
uint32_t RegWriteSize(uint32_t type, int32_t length);

// Whether data counts as empty for kRegEmptyDeletes: no bytes, or UTF-16 text
// (1, 2, 7) whose first unit ends it.
bool IsEmptyRegData(uint32_t type, const void* data, uint32_t size);

// REG_MULTI_SZ data: each item followed by a zero unit, then one more zero
// unit. An empty item cannot be stored (it would end the list) and is left out.
String EncodeMultiSz(const Array<String>& items);
// The items of REG_MULTI_SZ data, up to the empty item that ends the list. A
// list whose final zeros are missing is read to the end of the data.
void DecodeMultiSz(const String& data, Array<String>* items);
