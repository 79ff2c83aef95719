// Which kind of Windows a test runs on. Every Windows test program runs in a
// 32-bit and a 64-bit Wine prefix (scripts/test.sh); our programs are 32-bit,
// so on 64-bit Windows they meet file-system redirection (System32 leads to
// SysWOW64) and two registry views.
#pragma once

#include <string>

namespace testkit {

// Whether this (32-bit) process runs on 64-bit Windows (WoW64).
bool On64BitWindows();

// The system folder as a 32-bit program names it ("C:\windows\system32"),
// and where its files really are: SysWOW64 on 64-bit Windows, the folder
// itself on 32-bit Windows. Without a trailing backslash.
std::wstring SystemFolderNamed();
std::wstring SystemFolderOf32BitFiles();
// The 64-bit system folder as a 32-bit program reaches it with redirection
// on ("C:\windows\Sysnative"); empty on 32-bit Windows.
std::wstring NativeSystemFolder();

// "Skipped on 32-bit Windows: <why>" and the like, for GTEST_SKIP.
std::string OnlyOn64Bit(const char* why);
std::string OnlyOn32Bit(const char* why);

}  // namespace testkit
