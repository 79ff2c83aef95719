// Reading what a program under test left on disk.
#pragma once

#include <optional>
#include <string>

namespace testkit {

bool FileExists(const std::wstring& path);

// The whole file as bytes, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// A UTF-16LE file (without a byte-order mark) as text.
std::optional<std::wstring> ReadFileUtf16(const std::wstring& path);

}  // namespace testkit
