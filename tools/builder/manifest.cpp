#include "builder/manifest.h"

#include <toml++/toml.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "builder/manifest_actions.h"
#include "builder/manifest_sections.h"
#include "builder/manifest_table.h"
#include "package/settings_fields.h"

namespace fs = std::filesystem;

namespace {

using namespace manifest_reading;

// The cap the settings record's definition puts on a list: beyond it the
// installer reports the package corrupt with `code`.
int64_t SettingsListCap(CorruptCode code) {
#define BX_FIELD_CAP(number, name, target, codec, when, low, high, error) \
  if ((error) == code) return high;
  BX_SETTINGS_FIELDS(BX_FIELD_CAP)
#undef BX_FIELD_CAP
  return INT64_MAX;
}

// Lists the manifest fills, refused at their key when longer than the
// installer takes.
void CheckListCaps(Table& root, const ProductSettings& s) {
  Table uninstall = root.Sub("uninstall");
  const struct {
    Origin origin;
    int32_t count;
    CorruptCode code;
  } lists[] = {
      {uninstall.At("close"), s.ProgramsToClose.Count(), kCorruptCloseListLength},
      {uninstall.At("delete"), s.FileDeletions.Count(), kCorruptDeletionListLength},
      {uninstall.At("value"), s.UninstallValues.Count(), kCorruptUninstallValueCount},
      {root.At("association"), s.Associations.Count(), kCorruptAssociationCount},
  };
  for (const auto& list : lists) {
    if (list.count > SettingsListCap(list.code)) {
      Throw(list.origin, std::to_string(list.count) + " entries; the installer takes at most " +
                             std::to_string(SettingsListCap(list.code)) + ": merge or drop some");
    }
  }
}

// Every text of the manifest that names an existing file beside it: the
// files the build reads, which its output may not replace. Found from the
// document itself, so that no key that names a file can be missed.
void CollectInputs(const toml::node& node, const std::string& key, const std::string& path, const fs::path& base,
                   Product* out) {
  if (const toml::table* table = node.as_table()) {
    for (auto&& [name, child] : *table) {
      CollectInputs(child, key.empty() ? std::string(name.str()) : key + "." + std::string(name.str()), path, base,
                    out);
    }
  } else if (const toml::array* array = node.as_array()) {
    for (size_t i = 0; i < array->size(); ++i) {
      CollectInputs(*array->get(i), key + "[" + std::to_string(i) + "]", path, base, out);
    }
  } else if (const toml::value<std::string>* text = node.as_string(); text && !text->get().empty()) {
    std::error_code ignored;
    const fs::path file = base / text->get();
    if (fs::is_regular_file(file, ignored)) {
      out->inputs.push_back({Describe(Origin{path, key, node.source().begin}), file.string()});
    }
  }
}

void ReadManifest(const toml::table& document, const std::string& path, Product* out) {
  const fs::path base = fs::path(path).parent_path();
  Table root(&document, path, "", toml::source_position{1, 1});
  *out = Product();
  ReadProduct(root.Sub("product"), out);
  ReadPackage(root.Sub("package"), out);
  ReadBranding(root.Sub("branding"), base, out);
  ReadWizard(root.Sub("wizard"), base, out);
  ReadFinish(root.Sub("finish"), out);
  ReadBackground(root.Sub("background"), base, out);
  ReadUninstall(root.Sub("uninstall"), out);
  ReadLanguages(root, out);
  CheckUninstallShortcutPath(root, *out);
  ReadFiles(root, base, path, out);
  ReadActions(root, base, out);
  CheckListCaps(root, out->settings);
  root.RejectUnknown();
  CollectInputs(document, "", path, base, out);
}

}  // namespace

// Decodes one UTF-8 character at `i`: its code point and length, or false for
// a malformed sequence (stray or missing continuation bytes, overlong forms,
// surrogates, values above U+10FFFF).
static bool DecodeUtf8(const std::string& text, size_t i, unsigned* code, size_t* length) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned lead = at(i);
  static constexpr unsigned kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > text.size()) return false;
  unsigned value = n == 1 ? lead : lead & (0x7Fu >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return false;
    value = (value << 6) | (at(i + k) & 0x3Fu);
  }
  if (value < kMinimum[n] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *code = value;
  *length = n;
  return true;
}

// Where the scan of a manifest stands: TOML allows characters beyond ASCII
// only inside strings and comments. kSkipping: the blanks and line breaks
// after a line-ending backslash of a multi-line basic string, which the TOML
// reader skips by testing each character for whitespace.
enum class TomlSpan { kPlain, kComment, kBasic, kLiteral, kMultiBasic, kMultiLiteral, kSkipping };

static bool IsTomlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Moves the span on over the ASCII character at `i`; returns how many
// characters it took (a triple quote is taken whole, an escape with the
// ASCII character it escapes). *escaped: the next character is one a
// backslash escapes, which the TOML reader tests for whitespace.
static size_t StepSpan(const std::string& text, size_t i, TomlSpan* span, bool* escaped) {
  const auto starts = [&](const char* token) { return text.compare(i, std::strlen(token), token) == 0; };
  switch (*span) {
    case TomlSpan::kPlain:
      if (text[i] == '#') *span = TomlSpan::kComment;
      if (starts("\"\"\"")) return *span = TomlSpan::kMultiBasic, 3;
      if (starts("'''")) return *span = TomlSpan::kMultiLiteral, 3;
      if (text[i] == '"') *span = TomlSpan::kBasic;
      if (text[i] == '\'') *span = TomlSpan::kLiteral;
      return 1;
    case TomlSpan::kComment:
      if (text[i] == '\n') *span = TomlSpan::kPlain;
      return 1;
    case TomlSpan::kSkipping:
      if (IsTomlBlank(text[i])) return 1;
      *span = TomlSpan::kMultiBasic;
      [[fallthrough]];
    case TomlSpan::kBasic:
    case TomlSpan::kMultiBasic:
      if (text[i] == '\\') {
        const bool blank_follows = i + 1 < text.size() && IsTomlBlank(text[i + 1]);
        if (*span == TomlSpan::kMultiBasic && blank_follows) return *span = TomlSpan::kSkipping, 1;
        if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80) return *escaped = true, 1;
        return 2;
      }
      if (*span == TomlSpan::kMultiBasic && starts("\"\"\"")) return *span = TomlSpan::kPlain, 3;
      if (*span == TomlSpan::kBasic && (text[i] == '"' || text[i] == '\n')) *span = TomlSpan::kPlain;
      return 1;
    case TomlSpan::kLiteral:
      if (text[i] == '\'' || text[i] == '\n') *span = TomlSpan::kPlain;
      return 1;
    case TomlSpan::kMultiLiteral:
      if (starts("'''")) return *span = TomlSpan::kPlain, 3;
      return 1;
  }
  return 1;
}

// The TOML reader misbehaves (undefined behaviour, found by fuzzing) on text
// that is not UTF-8 and wherever it tests a character beyond ASCII for
// whitespace: outside strings and comments (where TOML does not allow such
// characters anyway), right after a backslash in a basic string, and after a
// line-ending backslash. All are refused here with their place, before the
// reader sees them (ManifestFuzzFindings in manifest_test.cpp keeps the
// inputs that found it).
static bool FindUnreadableCharacter(const std::string& text, std::string* error, const std::string& path) {
  int line = 1;
  size_t line_start = 0;
  TomlSpan span = TomlSpan::kPlain;
  bool escaped = false;
  for (size_t i = 0; i < text.size();) {
    const std::string where = path + ":" + std::to_string(line) + ":" + std::to_string(i - line_start + 1) + ": ";
    unsigned code = 0;
    size_t length = 1;
    if (!DecodeUtf8(text, i, &code, &length)) {
      *error = where + "the manifest is not UTF-8 text here; save it as UTF-8";
      return true;
    }
    if (code >= 0x80 && (span == TomlSpan::kPlain || escaped)) {
      *error = where + "a character beyond ASCII outside a quoted string; put the text in quotes";
      return true;
    }
    if (code >= 0x80 && span == TomlSpan::kSkipping) {
      *error = where + "a character beyond ASCII right after a line-ending backslash; begin the line with an "
                       "ASCII character";
      return true;
    }
    if (code >= 0x80) {
      i += length;
      continue;
    }
    if (text[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
    i += StepSpan(text, i, &span, &escaped);
  }
  return false;
}

// The character at a line and column (counted in characters) of the text,
// or 0 past its end.
static char CharacterAt(const std::string& text, const toml::source_position& where) {
  size_t i = 0;
  for (uint32_t line = 1; line < where.line && i < text.size(); ++i) line += text[i] == '\n';
  for (uint32_t column = 1; column < where.column && i < text.size(); ++i) {
    column += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
  }
  while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  return i < text.size() ? text[i] : 0;
}

// The TOML reader's own words where they puzzle a vendor: a quote that is
// never closed reads as a "control character" or an "end-of-file".
static std::string ParseErrorText(const toml::parse_error& e, const std::string& text) {
  const std::string description(e.description());
  const bool in_string = description.rfind("Error while parsing string", 0) == 0 ||
                         description.rfind("Error while parsing literal string", 0) == 0;
  const char at = CharacterAt(text, e.source().begin);
  if (in_string && (at == '\n' || at == '\r')) {
    return "a quoted text is not closed on its line; add the closing quote, or put a text of several lines "
           "between triple quotes (\"\"\" or \'\'\')";
  }
  if (in_string && description.find("end-of-file") != std::string::npos) {
    return "a quoted text is not closed before the end of the manifest; add the closing quotes";
  }
  return description;
}

bool ParseManifest(const std::string& whole, const std::string& path, Product* product, std::string* error) {
  // A byte-order mark, as Windows editors write it, is no part of the text;
  // taken off here, the check and the TOML reader see the same text.
  const std::string text = whole.compare(0, 3, "\xEF\xBB\xBF") == 0 ? whole.substr(3) : whole;
  if (FindUnreadableCharacter(text, error, path)) return false;
  try {
    toml::table document = toml::parse(text, path);
    ReadManifest(document, path, product);
    return true;
  } catch (const toml::parse_error& e) {
    const toml::source_position where = e.source().begin;
    *error = path + ":" + std::to_string(where.line) + ":" + std::to_string(where.column) + ": " +
             ParseErrorText(e, text);
  } catch (const ManifestError& e) {
    *error = e.text;
  }
  return false;
}

bool LoadManifest(const std::string& path, Product* product, std::string* error) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    *error = path + ": is a folder; name the manifest file in it (for example " + path + "/product.toml)";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot read the manifest";
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseManifest(text, path, product, error);
}

