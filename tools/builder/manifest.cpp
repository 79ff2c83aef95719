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
  ReadFiles(root, base, path, out);
  ReadActions(root, base, out);
  CheckListCaps(root, out->settings);
  root.RejectUnknown();
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
// only inside strings and comments.
enum class TomlSpan { kPlain, kComment, kBasic, kLiteral, kMultiBasic, kMultiLiteral };

// Moves the span on over the ASCII character at `i`; returns how many
// characters it took (a triple quote is taken whole).
static size_t StepSpan(const std::string& text, size_t i, TomlSpan* span) {
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
    case TomlSpan::kBasic:
    case TomlSpan::kMultiBasic:
      if (text[i] == '\\') return 2;  // an escape: the next character is its own
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
// that is not UTF-8 and on characters beyond ASCII outside strings and
// comments, where TOML does not allow them anyway. Both are refused here with
// their place, before the reader sees them (ManifestFuzzFindings in
// manifest_test.cpp keeps the inputs that found it).
static bool FindUnreadableCharacter(const std::string& text, std::string* error, const std::string& path) {
  int line = 1;
  size_t line_start = 0;
  TomlSpan span = TomlSpan::kPlain;
  for (size_t i = 0; i < text.size();) {
    const std::string where = path + ":" + std::to_string(line) + ":" + std::to_string(i - line_start + 1) + ": ";
    unsigned code = 0;
    size_t length = 1;
    if (!DecodeUtf8(text, i, &code, &length)) {
      *error = where + "the manifest is not UTF-8 text here; save it as UTF-8";
      return true;
    }
    if (code >= 0x80 && (span == TomlSpan::kPlain || (i > 0 && text[i - 1] == '\\'))) {
      *error = where + "a character beyond ASCII outside a quoted string; put the text in quotes";
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
    i += StepSpan(text, i, &span);
  }
  return false;
}

bool ParseManifest(const std::string& text, const std::string& path, Product* product, std::string* error) {
  if (FindUnreadableCharacter(text, error, path)) return false;
  try {
    toml::table document = toml::parse(text, path);
    ReadManifest(document, path, product);
    return true;
  } catch (const toml::parse_error& e) {
    const toml::source_position where = e.source().begin;
    *error = path + ":" + std::to_string(where.line) + ":" + std::to_string(where.column) + ": " +
             std::string(e.description());
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

