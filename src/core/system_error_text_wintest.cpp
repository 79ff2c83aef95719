#include "core/system_error_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"

namespace {

std::wstring Wide(const String& text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.w_str()), static_cast<size_t>(text.wlength()));
}

TEST(SystemErrorText, IncorrectPasswordWhateverTheSystemSays) {
  EXPECT_EQ(Wide(SystemErrorTextW(ERROR_INVALID_PASSWORD)), L"Incorrect password.");
  EXPECT_STREQ(SystemErrorText(ERROR_INVALID_PASSWORD).c_str(), "Incorrect password.");
}

TEST(SystemErrorText, TheSystemsMessageWithoutItsLineBreak) {
  const std::wstring text = Wide(SystemErrorTextW(ERROR_FILE_NOT_FOUND));
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L'\r');
  EXPECT_NE(text.back(), L' ');
  wchar_t* raw = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_FILE_NOT_FOUND, 0x400, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(std::wstring(raw).rfind(text, 0), 0u) << "not the system's own text";
  LocalFree(raw);
  EXPECT_EQ(SystemErrorText(ERROR_FILE_NOT_FOUND), Utf16ToAnsi(SystemErrorTextW(ERROR_FILE_NOT_FOUND)));
}

TEST(SystemErrorText, NothingForSuccessOrAnUnknownNumber) {
  EXPECT_TRUE(SystemErrorTextW(0).empty());
  EXPECT_TRUE(SystemErrorTextW(0x2FFFFFFF).empty());
}

TEST(SystemErrorText, LastErrorIsReadAndKept) {
  SetLastError(ERROR_ACCESS_DENIED);
  const String text = LastErrorTextW();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(text, SystemErrorTextW(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(text.empty());
  SetLastError(ERROR_INVALID_PASSWORD);
  EXPECT_STREQ(LastErrorText().c_str(), "Incorrect password.");
  SetLastError(0x2FFFFFFF);
  EXPECT_TRUE(LastErrorText().empty());
  EXPECT_EQ(GetLastError(), 0x2FFFFFFFu);  // a failed look-up does not replace it
}

}  // namespace
