// Where a Windows test finds the build's artefacts and keeps its own files.
#pragma once

#include <string>
#include <string_view>

namespace testkit {

// The build tree as a Windows path (Z:\...\build\win32 under Wine): the
// BX_BUILD_DIR variable that ctest sets, or else the nearest folder above the
// test program that holds CMakeCache.txt, so a test also runs by hand.
const std::wstring& BuildDir();

// A path inside the build tree; `relative` may use '/' or '\'.
std::wstring BuildPath(std::wstring_view relative);

// The installer runtime as built: <build>\setup.exe.
std::wstring SetupExe();

// An empty folder for the running test, <build>\test-scratch\<Suite>.<Test>:
// emptied when asked for again and left in place afterwards for inspection.
std::wstring ScratchDir();

// A name no other test or run uses, also across Wine sessions, for product
// names, folders and registry keys: "<stem>-<Test>-<process id>-<counter>-<12
// random hex digits>", letters, digits, '-' and '_' only.
std::wstring UniqueName(std::wstring_view stem = L"BxTest");

}  // namespace testkit
