// What a product may change on the machine, as text lines to compare: the
// files under C: and the keys and value names of HKLM and HKCU, lower-cased,
// with what Wine changes by itself left out.
#pragma once

#include <set>
#include <string>

namespace e2e {

std::wstring Lower(std::wstring text);

// Folders with a trailing backslash, files with their size, keys with a
// trailing backslash and values as "key\\:name" (data are left out: Wine's
// time stamps change them).
std::set<std::wstring> Snapshot();

// "+ line" for what `after` has and `before` has not, "- line" the other way;
// empty when they are the same.
std::wstring Difference(const std::set<std::wstring>& before, const std::set<std::wstring>& after);

}  // namespace e2e
