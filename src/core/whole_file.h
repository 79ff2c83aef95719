// Reading and writing a whole file in one call. Both return a file error code
// (file_errors.h).
#pragma once

#include <cstdint>

#include "core/string.h"

// Option of ReadWholeFile: the name is UTF-16 (otherwise 8-bit, ANSI code page).
constexpr uint32_t kWholeFileWideName = 0x1;

// Reads the file into `out`, sized exactly. An empty file gives kFileOk and
// an empty `out`; a file of 2 GiB or more, or one there is no memory for,
// gives kFileTooLarge; a failed read kFileNotLoaded. On any failure `out` is
// emptied.
int ReadWholeFile(const String& name, String& out, uint32_t options = 0);
int ReadWholeFile(const char16_t* name, String& out);

// Creates or truncates the file and writes `size` bytes of `data` into it
// (String::kToEnd: up to the data's terminating zero). A name that is missing
// or only blanks gives kFileBadName, a failed write kFileNotWritten. Empty
// data leaves an empty file.
int WriteWholeFile(const char16_t* name, const void* data, int32_t size);
int WriteWholeFile(const char* name, const void* data, int32_t size);
