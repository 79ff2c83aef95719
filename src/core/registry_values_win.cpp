// Reading, writing and deleting the values of the open key.
#include <utility>

#include "core/registry_report_win.h"
#include "core/registry_win.h"

namespace {

// Room for most values at the first query; larger ones are asked again.
constexpr DWORD kFirstQueryBytes = 32;
// A value that keeps growing between the queries is given up after this many.
constexpr int kQueryAttempts = 4;

bool IsMissing(LONG status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_BADKEY; }

// Queries into value->data, enlarging it while the system asks for more.
LONG QueryValue(HKEY key, const char16_t* name, RegValue* value) {
  String& data = value->data;
  DWORD size = kFirstQueryBytes;
  for (int attempt = 0; attempt < kQueryAttempts; ++attempt) {
    if (size > kRegMaxValueSize) return ERROR_INVALID_DATA;
    data.SetLength(static_cast<int32_t>(size));
    DWORD type = REG_NONE;
    const LONG status = RegQueryValueExW(key, Wide(name), nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) {
      data.Clear();
      return status;
    }
    data.SetLength(static_cast<int32_t>(size));
    value->type = type;
    return ERROR_SUCCESS;
  }
  data.Clear();
  return ERROR_MORE_DATA;
}

}  // namespace

bool RegistryKey::ReadValue(const char16_t* name, RegValue* value, uint32_t options) {
  if (!is_open()) return ReportRegistryFailure(ERROR_INVALID_HANDLE, options, display_, name);
  LONG status = QueryValue(key_.get(), name, value);
  if (status == ERROR_SUCCESS && !NormaliseRegValue(options, value)) status = ERROR_INVALID_DATA;
  if (status == ERROR_SUCCESS) return true;
  // A required value that cannot be believed is as fatal as a missing one:
  // the caller relies on getting it.
  if ((options & kRegRequired) && (IsMissing(status) || status == ERROR_INVALID_DATA)) {
    RequiredRegistryValueMissing(display_, name);
  }
  return ReportRegistryFailure(status, options, display_, name);
}

bool RegistryKey::ReadText(const char16_t* name, String* text, uint32_t options) {
  RegValue value;
  if (!ReadValue(name, &value, options)) return false;
  if (RegValueText(value, text)) return true;
  return ReportRegistryFailure(ERROR_INVALID_DATA, options, display_, name);
}

bool RegistryKey::ReadNumber(const char16_t* name, uint32_t* number, uint32_t options) {
  RegValue value;
  if (!ReadValue(name, &value, options)) return false;
  if (RegValueNumber(value, number)) return true;
  return ReportRegistryFailure(ERROR_INVALID_DATA, options, display_, name);
}

bool RegistryKey::ReadQword(const char16_t* name, uint64_t* number, uint32_t options) {
  RegValue value;
  if (!ReadValue(name, &value, options)) return false;
  if (RegValueQword(value, number)) return true;
  return ReportRegistryFailure(ERROR_INVALID_DATA, options, display_, name);
}

bool RegistryKey::ReadList(const char16_t* name, Array<String>* items, uint32_t options) {
  RegValue value;
  if (!ReadValue(name, &value, options)) return false;
  if (value.type != kRegMultiSz) return ReportRegistryFailure(ERROR_INVALID_DATA, options, display_, name);
  DecodeMultiSz(value.data, items);
  return true;
}

bool RegistryKey::ReadReal(const char16_t* name, double* number, uint32_t options) {
  RegValue value;
  if (!ReadValue(name, &value, options)) return false;
  if (RegValueReal(value, number)) return true;
  return ReportRegistryFailure(ERROR_INVALID_DATA, options, display_, name);
}

bool RegistryKey::ValueExists(const char16_t* name) {
  if (!is_open()) return ReportRegistryFailure(ERROR_INVALID_HANDLE, 0, display_, name);
  const LONG status = RegQueryValueExW(key_.get(), Wide(name), nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return ReportRegistryFailure(status, 0, display_, name);
  return true;
}

bool RegistryKey::WriteValue(const char16_t* name, uint32_t type, const void* data, uint32_t size,
                             uint32_t options) {
  if (!is_open()) return ReportRegistryFailure(ERROR_INVALID_HANDLE, options, display_, name);
  if ((options & kRegNoOverwrite) && ValueExists(name)) return true;
  if ((options & kRegEmptyDeletes) && IsEmptyRegData(type, data, size)) {
    const LONG status = RegDeleteValueW(key_.get(), Wide(name));
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return true;
    return ReportRegistryFailure(status, options, display_, name);
  }
  const LONG status =
      RegSetValueExW(key_.get(), Wide(name), 0, type, static_cast<const BYTE*>(data), size);
  if (status != ERROR_SUCCESS) return ReportRegistryFailure(status, options, display_, name);
  return true;
}

bool RegistryKey::WriteText(const char16_t* name, const String& text, uint32_t options) {
  const uint32_t type = RegTextType(options);
  return WriteValue(name, type, text.c_str(), RegWriteSize(type, text.length()), options);
}

bool RegistryKey::WriteText(const char16_t* name, const char16_t* text, uint32_t options) {
  const uint32_t type = RegTextType(options);
  if (!text) text = u"";
  return WriteValue(name, type, text, RegWriteSize(type, TextLengthW(text) * 2), options);
}

bool RegistryKey::WriteNumber(const char16_t* name, uint32_t number, uint32_t options) {
  return WriteValue(name, kRegDword, &number, sizeof(number), options);
}

bool RegistryKey::WriteQword(const char16_t* name, uint64_t number, uint32_t options) {
  return WriteValue(name, kRegQword, &number, sizeof(number), options);
}

bool RegistryKey::WriteBinary(const char16_t* name, const void* data, uint32_t size, uint32_t options) {
  return WriteValue(name, kRegBinary, data, size, options);
}

bool RegistryKey::WriteList(const char16_t* name, const Array<String>& items, uint32_t options) {
  const String data = EncodeMultiSz(items);
  return WriteValue(name, kRegMultiSz, data.c_str(), static_cast<uint32_t>(data.length()), options);
}

bool RegistryKey::WriteReal(const char16_t* name, double number, uint32_t options) {
  return WriteText(name, RegRealText(number), options);
}

bool RegistryKey::DeleteValue(const char16_t* name, uint32_t options) {
  if (!is_open()) return ReportRegistryFailure(ERROR_INVALID_HANDLE, options, display_, name);
  const LONG status = RegDeleteValueW(key_.get(), Wide(name));
  if (status != ERROR_SUCCESS) return ReportRegistryFailure(status, options, display_, name);
  return true;
}
