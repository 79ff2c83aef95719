#include "core/whole_file.h"

#include "core/file.h"
#include "core/file_ops.h"

namespace {

bool IsBlankName(const char* name) {
  String trimmed(name);
  trimmed.Trim();
  return trimmed.empty();
}

int WriteNamed(const String& name, uint32_t name_flag, const void* data, int32_t size) {
  if (size == String::kToEnd) size = data ? TextLength(static_cast<const char*>(data)) : 0;
  if (size < 0 || (size > 0 && !data)) return kFileBadParameter;
  File file;
  const int code = file.Open(name, kOpenCreateOrTruncate | name_flag);
  if (code != kFileOk) return code;
  return file.Write(data, size) ? kFileOk : kFileNotWritten;
}

}  // namespace

int ReadWholeFile(const String& name, String& out, uint32_t options) {
  out.Clear();
  File file;
  const uint32_t name_flag = (options & kWholeFileWideName) ? uint32_t{kOpenWideName} : 0u;
  const int code = file.Open(name, kOpenExisting | kOpenNoWrite | kOpenShareRead | name_flag);
  if (code != kFileOk) return code;
  return file.ReadAll(out);
}

int ReadWholeFile(const char16_t* name, String& out) { return ReadWholeFile(String(name), out, kWholeFileWideName); }

int WriteWholeFile(const char16_t* name, const void* data, int32_t size) {
  if (IsBlankText(name)) return kFileBadName;
  return WriteNamed(String(name), kOpenWideName, data, size);
}

int WriteWholeFile(const char* name, const void* data, int32_t size) {
  if (IsBlankName(name)) return kFileBadName;
  return WriteNamed(String(name), 0, data, size);
}
