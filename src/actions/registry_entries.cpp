#include "actions/registry_entries.h"

#include "core/csv.h"
#include "core/registry_value.h"

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool HexBytes(const String& text, String* data) {
  int high = -1;
  for (int32_t i = 0; i < text.wlength(); ++i) {
    const char16_t c = text.w_str()[i];
    if (IsBlank(c)) continue;
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    if (high < 0) {
      high = digit;
    } else {
      data->Append(static_cast<char>(high << 4 | digit));
      high = -1;
    }
  }
  return high < 0;
}

bool DecimalNumber(const String& text, uint64_t limit, uint64_t* number) {
  String trimmed = text;
  trimmed.TrimW();
  if (trimmed.empty()) return false;
  uint64_t n = 0;
  for (int32_t i = 0; i < trimmed.wlength(); ++i) {
    const char16_t c = trimmed.w_str()[i];
    if (c < u'0' || c > u'9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - u'0');
    if (n > (limit - digit) / 10) return false;
    n = n * 10 + digit;
  }
  *number = n;
  return true;
}

void AppendLittleEndian(uint64_t number, int bytes, String* data) {
  for (int i = 0; i < bytes; ++i) data->Append(static_cast<char>(number >> (8 * i) & 0xFF));
}

int32_t ActionNumber(const String& text) {
  uint64_t n = 0;
  return DecimalNumber(text, 0x7FFFFFFF, &n) ? static_cast<int32_t>(n) : -1;
}

}  // namespace

bool ReadRegistryEntry(const String& list, int32_t* position, RegistryEntry* entry) {
  Array<String> fields;
  *entry = RegistryEntry();
  if (!ReadCsvRecordW(list, position, &fields)) return false;
  if (fields.Count() == 1) {
    entry->form = EntryForm::kKey;
    entry->key = fields[0];
    entry->key.TrimW();
  } else if (fields.Count() == 5) {
    entry->form = EntryForm::kValue;
    entry->key = fields[0];
    entry->name = fields[1];
    uint64_t type = 0;
    entry->type = DecimalNumber(fields[2], 0xFFFFFFFF, &type) ? static_cast<uint32_t>(type) : 0xFFFFFFFF;
    entry->data = fields[3];
    entry->action = ActionNumber(fields[4]);
  }
  return true;
}

bool EntryWrites(int32_t action) {
  return action == static_cast<int32_t>(EntryAction::kWrite) ||
         action == static_cast<int32_t>(EntryAction::kWriteAndRemove) ||
         action == static_cast<int32_t>(EntryAction::kWriteIfMissing);
}

bool EntryDeletes(int32_t action) {
  return action == static_cast<int32_t>(EntryAction::kDelete) ||
         action == static_cast<int32_t>(EntryAction::kDeleteAndRemove);
}

bool EntryRemovedOnUninstall(int32_t action) {
  return action == static_cast<int32_t>(EntryAction::kRemoveOnUninstall) ||
         action == static_cast<int32_t>(EntryAction::kWriteAndRemove) ||
         action == static_cast<int32_t>(EntryAction::kDeleteAndRemove);
}

bool BuildEntryData(uint32_t type, const String& text, String* data) {
  data->Clear();
  uint64_t number = 0;
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
      data->AppendW(text.w_str(), text.wlength());
      return true;
    case kRegBinary:
      return HexBytes(text, data);
    case kRegDword:
      if (!DecimalNumber(text, 0xFFFFFFFFull, &number)) return false;
      AppendLittleEndian(number, 4, data);
      return true;
    case kRegQword:
      if (!DecimalNumber(text, ~0ull, &number)) return false;
      AppendLittleEndian(number, 8, data);
      return true;
    default:
      return false;
  }
}
