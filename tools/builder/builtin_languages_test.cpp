#include "builder/builtin_languages.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <regex>
#include <string>

#include "core/codepage.h"

namespace {

std::string Utf8(const String& wide) {
  const String utf8 = Utf16ToUtf8(wide);
  return std::string(utf8.c_str(), static_cast<size_t>(utf8.length()));
}

// The "<product>"-like names of a text, in order.
std::string Tags(const std::string& text) {
  static const std::regex tag("</?[a-z]+>");
  std::string tags;
  for (std::sregex_iterator it(text.begin(), text.end(), tag), end; it != end; ++it) tags += it->str();
  return tags;
}

// Accelerator marks: '&' not doubled.
int Accelerators(const std::string& text) {
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (i + 1 < text.size() && text[i + 1] == '&') {
      ++i;
    } else {
      ++count;
    }
  }
  return count;
}

// Whether UTF-8 text goes into the code page and back unchanged (glibc's
// tables of the Windows code pages; no transliteration, so a character the
// code page lacks fails).
bool RoundTrips(const std::string& text, int32_t code_page) {
  const std::string name = "CP" + std::to_string(code_page);
  auto convert = [](const char* to, const char* from, const std::string& in, std::string* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string buffer(in.size() * 4 + 16, '\0');
    char* source = const_cast<char*>(in.data());
    size_t left = in.size();
    char* target = buffer.data();
    size_t room = buffer.size();
    const bool ok = iconv(cd, &source, &left, &target, &room) != static_cast<size_t>(-1) && left == 0;
    iconv_close(cd);
    out->assign(buffer.data(), buffer.size() - room);
    return ok;
  };
  std::string narrow, back;
  return convert(name.c_str(), "UTF-8", text, &narrow) && convert("UTF-8", name.c_str(), narrow, &back) && back == text;
}

TEST(BuiltinLanguages, EveryFileReadsWithItsWindowsLanguageAndCodePage) {
  const struct {
    const char* file;
    const char* name;
    const char* alias;
    uint16_t language_id;
    int32_t code_page;
  } expected[] = {
      {"de.txt", "Deutsch", "German", 0x0407, 1252},
      {"es.txt", "Español", "Spanish", 0x0C0A, 1252},
      {"fr.txt", "Français", "French", 0x040C, 1252},
      {"it.txt", "Italiano", "Italian", 0x0410, 1252},
      {"ja.txt", "日本語", "Japanese", 0x0411, 932},
      {"ko.txt", "한국어", "Korean", 0x0412, 949},
      {"nl.txt", "Nederlands", "Dutch", 0x0413, 1252},
      {"pl.txt", "Polski", "Polish", 0x0415, 1250},
      {"pt-BR.txt", "Português (Brasil)", "Portuguese (Brazil)", 0x0416, 1252},
      {"ru.txt", "Русский", "Russian", 0x0419, 1251},
      {"tr.txt", "Türkçe", "Turkish", 0x041F, 1254},
      {"zh-CN.txt", "简体中文", "Chinese (Simplified)", 0x0804, 936},
      {"zh-TW.txt", "繁體中文", "Chinese (Traditional)", 0x0404, 950},
  };
  for (const EmbeddedFile& file : EmbeddedLanguageFiles()) {
    BuiltinLanguage language;
    std::string error;
    EXPECT_TRUE(ParseLanguageFile(std::string(file.data, file.size), &language, &error)) << file.name << ": " << error;
  }
  const std::vector<BuiltinLanguage>& languages = BuiltinLanguages();
  ASSERT_EQ(languages.size(), std::size(expected));
  for (size_t i = 0; i < languages.size(); ++i) {
    const BuiltinLanguage& l = languages[i];
    EXPECT_EQ(l.file, expected[i].file);
    EXPECT_EQ(l.name, expected[i].name) << l.file;
    EXPECT_EQ(Utf8(l.messages.name), expected[i].name) << l.file;
    EXPECT_EQ(l.aliases.at(0), expected[i].alias) << l.file;
    EXPECT_EQ(l.language_id, expected[i].language_id) << l.file;
    EXPECT_EQ(l.code_page, expected[i].code_page) << l.file;
    EXPECT_EQ(FindBuiltinLanguage(l.name), &l);
    for (const std::string& alias : l.aliases) EXPECT_EQ(FindBuiltinLanguage(alias), &l) << alias;
  }
}

// The installer formats these texts with the arguments it passes for the
// English ones, fills in the same <names>, and the pages take the same
// accelerator marks.
TEST(BuiltinLanguages, EveryMessageKeepsTheEnglishPlaceholdersTagsAndAccelerators) {
  const LanguageMessages english = DefaultEnglish();
  for (const BuiltinLanguage& language : BuiltinLanguages()) {
    ASSERT_EQ(language.messages.messages.size(), english.messages.size()) << language.file;
    for (size_t n = 0; n < english.messages.size(); ++n) {
      const std::string theirs = Utf8(language.messages.messages[n]);
      const std::string ours = Utf8(english.messages[n]);
      const std::string where = language.file + " message " + std::to_string(n) + ": " + theirs;
      EXPECT_EQ(theirs.empty(), ours.empty()) << where;
      EXPECT_EQ(MessagePlaceholders(language.messages.messages[n].w_str()), MessagePlaceholders(english.messages[n].w_str()))
          << where;
      EXPECT_EQ(Tags(theirs), Tags(ours)) << where;
      EXPECT_EQ(Accelerators(theirs), Accelerators(ours)) << where;
      EXPECT_EQ(theirs.find("\r\n") == std::string::npos, ours.find("\r\n") == std::string::npos) << where;
    }
  }
}

// An 8-bit text (the uninstaller's strings, the narrow message lookup) is in
// the system's ANSI code page: on a system set to the language, nothing of it
// may turn into question marks.
TEST(BuiltinLanguages, EveryTextConvertsToItsCodePageWithoutLoss) {
  for (const BuiltinLanguage& language : BuiltinLanguages()) {
    EXPECT_TRUE(RoundTrips(language.name, language.code_page)) << language.file;
    for (size_t n = 0; n < language.messages.messages.size(); ++n) {
      const std::string text = Utf8(language.messages.messages[n]);
      EXPECT_TRUE(RoundTrips(text, language.code_page)) << language.file << " message " << n << ": " << text;
    }
  }
  EXPECT_FALSE(RoundTrips("Łódź", 1252));  // the check can fail
  EXPECT_TRUE(RoundTrips("Łódź", 1250));
}

TEST(BuiltinLanguages, FoundByNameInAnyCaseOnly) {
  ASSERT_NE(FindBuiltinLanguage("deutsch"), nullptr);
  EXPECT_EQ(FindBuiltinLanguage("deutsch")->name, "Deutsch");
  EXPECT_EQ(FindBuiltinLanguage("GERMAN")->name, "Deutsch");
  EXPECT_EQ(FindBuiltinLanguage("РУССКИЙ")->name, "Русский");
  EXPECT_EQ(FindBuiltinLanguage("Deutsch "), nullptr);
  EXPECT_EQ(FindBuiltinLanguage("Klingon"), nullptr);
  EXPECT_EQ(FindBuiltinLanguage("English"), nullptr);  // English is the default set, not a built-in one
}

TEST(ParseLanguageFile, ReadsEscapesAndRefusesWhatIsNotALanguage) {
  BuiltinLanguage language;
  std::string error;
  ASSERT_TRUE(ParseLanguageFile("# c\r\nname = X\nlanguage_id = 0x0407\ncode_page = 1252\n\n14 = C:\\\\A\\nB = c\n",
                                &language, &error))
      << error;
  EXPECT_EQ(Utf8(language.messages.messages[14]), "C:\\A\r\nB = c");
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"name = X\nlanguage_id = 0x0407\ncode_page = 1252\n1 = a\\tb\n", "line 4: a backslash begins"},
      {"name = X\nlanguage_id = 0x0407\ncode_page = 1252\n1 = a\n1 = b\n", "line 5: a second text"},
      {"name = X\nlanguage_id = 0x0407\ncode_page = 1252\n114 = a\n", "line 4: no message has this number"},
      {"name = X\nlanguage_id = 1031\n", "line 2: a language id is written 0x"},
      {"name = X\ncolour = red\n", "line 2: unknown key \"colour\""},
      {"name = X\njust text\n", "line 2: a line is"},
      {"name = X\n1 = a\n", "name, language_id and code_page are needed"},
      {"name = \xC3\n", "not UTF-8"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ParseLanguageFile(c.text, &language, &error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}

}  // namespace
