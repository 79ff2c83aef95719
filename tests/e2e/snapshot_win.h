// What an install may leave behind, as lines that two moments can compare:
// every file and folder of drive C: (with file-system redirection off, so
// that on 64-bit Windows both System32 and SysWOW64 are seen) and every key
// and value name of HKLM and HKCU in both registry views.
#pragma once

#include <set>
#include <string>

namespace e2e {

std::wstring Lower(std::wstring text);

// Lower-cased lines: "c:\...\file size", "c:\...\folder\", "hklm\key\",
// "hklm\key\:value"; the 32-bit registry view as "hklm32" and "hkcu32". Left
// out: what Wine changes by itself whatever a product does.
std::set<std::wstring> Snapshot();

// What one folder holds: the file lines of its tree alone.
std::set<std::wstring> FolderSnapshot(const std::wstring& folder);

// "+ line" for each line only `after` has, "- line" for each only `before`
// has; empty when they agree.
std::wstring Difference(const std::set<std::wstring>& before, const std::set<std::wstring>& after);

}  // namespace e2e
