// Names that Windows refuses or treats specially, caught when the product is
// built instead of on the customer's machine.
#pragma once

#include <string>

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& text);

// Why one name of a path (no separators) cannot be a Windows file name, or
// empty when it can: a reserved device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with or without an extension), one of <>:"/\|?* or a control
// character, a trailing dot or blank, or bytes that are not UTF-8.
std::string WindowsNameProblem(const std::string& name);

// The same for a relative path with any of `separators` between its names;
// "." and ".." are refused too, since they would leave the folder the path
// is meant to lie in. (On Linux a '\' inside a file's name is no separator.)
std::string WindowsPathProblem(const std::string& path, const char* separators = "/\\");

// The same for a folder or program path as the installer takes it: it may
// begin with a drive ("C:\\") or a share ("\\\\server\\share\\") and may use
// <product>, <description>, <os> and %Variables%; separators at its end are
// dropped.
std::string WindowsFolderProblem(const std::string& folder);

// The same rule for the key names of a registry key path (no root), where
// "*" (every file type) and '/' (content types) are ordinary names.
std::string RegistryKeyProblem(const std::string& subkey);

// The key under which Windows sees two names as the same file: UTF-16 upper
// case (ASCII, Latin-1, Greek and Cyrillic letters folded), '/' as '\'.
std::u16string CaseFoldedPath(const std::string& path);
