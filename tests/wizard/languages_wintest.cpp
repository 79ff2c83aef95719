// The built-in languages against Windows' own code-page tables (Wine's are
// Microsoft's): on a system set to a language, none of its texts turns into
// a default character when a page or box takes it as 8-bit text.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "builder/builtin_languages.h"

namespace {

// Whether the UTF-16 text maps to the code page with no default character
// and no look-alike ("best fit").
bool FitsCodePage(const String& text, UINT code_page) {
  if (text.empty()) return true;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.w_str());
  BOOL used_default = FALSE;
  const int bytes = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide, text.wlength(), nullptr, 0, nullptr,
                                        &used_default);
  return bytes > 0 && !used_default;
}

TEST(BuiltInLanguages, EveryTextFitsItsCodePageInWindowsTables) {
  ASSERT_FALSE(BuiltinLanguages().empty());
  for (const BuiltinLanguage& language : BuiltinLanguages()) {
    const UINT code_page = static_cast<UINT>(language.code_page);
    ASSERT_TRUE(IsValidCodePage(code_page)) << language.file;
    EXPECT_TRUE(FitsCodePage(language.messages.name, code_page)) << language.file;
    for (size_t n = 0; n < language.messages.messages.size(); ++n) {
      EXPECT_TRUE(FitsCodePage(language.messages.messages[n], code_page)) << language.file << " message " << n;
    }
  }
  EXPECT_FALSE(FitsCodePage(String(u"\u0141\u00F3d\u017A"), 1252));  // the check can fail
}

}  // namespace
