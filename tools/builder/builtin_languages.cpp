#include "builder/builtin_languages.h"

#include "builder/file_names.h"
#include "core/codepage.h"

namespace {

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::string();
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// "\n" becomes CR LF and "\\" one backslash; any other escape is a fault.
bool Unescape(const std::string& value, std::string* out) {
  out->clear();
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      *out += value[i];
    } else if (i + 1 < value.size() && value[i + 1] == 'n') {
      *out += "\r\n";
      ++i;
    } else if (i + 1 < value.size() && value[i + 1] == '\\') {
      *out += '\\';
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

bool IsNumber(const std::string& key, size_t max_digits) {
  return !key.empty() && key.size() <= max_digits && key.find_first_not_of("0123456789") == std::string::npos;
}

// One "key = value" line into the language; the reason when it does not fit.
std::string ReadLine(const std::string& key, const std::string& value, BuiltinLanguage* out) {
  if (key == "name") {
    out->name = value;
    out->messages.name = Utf8ToUtf16(value.c_str(), static_cast<int32_t>(value.size()));
  } else if (key == "alias") {
    out->aliases.push_back(value);
  } else if (key == "language_id") {
    if (value.size() != 6 || value.compare(0, 2, "0x") != 0 ||
        value.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos) {
      return "a language id is written 0x and four hexadecimal digits";
    }
    out->language_id = static_cast<uint16_t>(std::stoul(value.substr(2), nullptr, 16));
  } else if (key == "code_page") {
    if (!IsNumber(value, 5)) return "a code page is a decimal number";
    out->code_page = std::stoi(value);
  } else if (IsNumber(key, 4)) {
    const size_t number = static_cast<size_t>(std::stoi(key));
    if (number >= static_cast<size_t>(kDefaultMessageCount)) return "no message has this number";
    std::string text;
    if (!Unescape(value, &text)) return "a backslash begins \\n or \\\\ only";
    if (!out->messages.messages[number].empty()) return "a second text for this message";
    out->messages.messages[number] = Utf8ToUtf16(text.c_str(), static_cast<int32_t>(text.size()));
  } else {
    return "unknown key \"" + key + "\"";
  }
  return std::string();
}

}  // namespace

bool ParseLanguageFile(const std::string& text, BuiltinLanguage* out, std::string* error) {
  *out = BuiltinLanguage();
  out->messages.messages.resize(kDefaultMessageCount);
  if (!IsValidUtf8(text)) {
    *error = "not UTF-8";
    return false;
  }
  size_t line_number = 0;
  for (size_t begin = 0; begin < text.size();) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(begin, end - begin);
    begin = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Trim(line).empty() || Trim(line)[0] == '#') continue;
    const size_t equals = line.find('=');
    std::string problem = equals == std::string::npos
                              ? std::string("a line is \"key = value\"")
                              : ReadLine(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), out);
    if (!problem.empty()) {
      *error = "line " + std::to_string(line_number) + ": " + problem;
      return false;
    }
  }
  if (out->name.empty() || out->language_id == 0 || out->code_page == 0) {
    *error = "name, language_id and code_page are needed";
    return false;
  }
  return true;
}

const std::vector<BuiltinLanguage>& BuiltinLanguages() {
  static const std::vector<BuiltinLanguage> languages = [] {
    std::vector<BuiltinLanguage> all;
    for (const EmbeddedFile& file : EmbeddedLanguageFiles()) {
      BuiltinLanguage language;
      std::string error;
      // A faulty file is left out; the builder's tests parse every one.
      if (!ParseLanguageFile(std::string(file.data, file.size), &language, &error)) continue;
      language.file = file.name;
      all.push_back(std::move(language));
    }
    return all;
  }();
  return languages;
}

const BuiltinLanguage* FindBuiltinLanguage(const std::string& name) {
  const std::u16string wanted = CaseFoldedPath(name);
  for (const BuiltinLanguage& language : BuiltinLanguages()) {
    if (CaseFoldedPath(language.name) == wanted) return &language;
    for (const std::string& alias : language.aliases) {
      if (CaseFoldedPath(alias) == wanted) return &language;
    }
  }
  return nullptr;
}
