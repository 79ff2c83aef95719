#include "testkit/paths.h"

#include <windows.h>
#include <bcrypt.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cwctype>
#include <filesystem>

namespace testkit {
namespace {

std::wstring EnvironmentValue(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::wstring FolderAboveWith(const wchar_t* marker) {
  wchar_t module[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH * 4);
  std::filesystem::path folder = std::filesystem::path(std::wstring(module, length)).parent_path();
  for (;;) {
    std::error_code error;
    if (std::filesystem::exists(folder / marker, error)) return folder.wstring();
    if (folder == folder.parent_path()) return {};
    folder = folder.parent_path();
  }
}

// Test names may carry '/' and other characters no file or key name wants.
std::wstring SafeName(std::wstring_view text, size_t max_length) {
  std::wstring safe;
  for (wchar_t c : text) {
    if (safe.size() == max_length) break;
    safe.push_back(std::iswalnum(c) && c < 0x80 ? c : (c == L'-' || c == L'.' ? c : L'_'));
  }
  return safe;
}

std::wstring CurrentTestName(bool with_suite) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  if (!test) return L"NoTest";
  std::string name = with_suite ? std::string(test->test_suite_name()) + "." + test->name() : test->name();
  return std::wstring(name.begin(), name.end());
}

// 48 bits from the system's generator as hex digits. Process ids and counters
// start over in every Wine session, so alone they meet what an earlier run
// left in the same prefix.
std::wstring RandomHex() {
  unsigned char bytes[6] = {};
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    ADD_FAILURE() << "the system's random generator failed";
  }
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring hex;
  for (unsigned char byte : bytes) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0xF]);
  }
  return hex;
}

}  // namespace

const std::wstring& BuildDir() {
  static const std::wstring dir = [] {
    std::wstring from_environment = EnvironmentValue(L"BX_BUILD_DIR");
    return from_environment.empty() ? FolderAboveWith(L"CMakeCache.txt") : from_environment;
  }();
  return dir;
}

std::wstring BuildPath(std::wstring_view relative) {
  std::wstring path = BuildDir();
  if (!relative.empty()) path += L'\\';
  for (wchar_t c : relative) path.push_back(c == L'/' ? L'\\' : c);
  return path;
}

std::wstring SetupExe() { return BuildPath(L"setup.exe"); }

std::wstring ScratchDir() {
  std::filesystem::path dir = BuildPath(L"test-scratch\\" + SafeName(CurrentTestName(true), 120));
  std::error_code error;
  std::filesystem::remove_all(dir, error);
  std::filesystem::create_directories(dir, error);
  return dir.wstring();
}

std::wstring UniqueName(std::wstring_view stem) {
  static std::atomic<unsigned> counter{0};
  return SafeName(stem, 40) + L"-" + SafeName(CurrentTestName(false), 40) + L"-" +
         std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" + RandomHex();
}

}  // namespace testkit
