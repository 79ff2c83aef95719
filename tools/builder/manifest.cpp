#include "builder/manifest.h"

#include <fnmatch.h>
#include <toml++/toml.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "core/codepage.h"
#include "package/checksum.h"
#include "package/languages.h"

namespace fs = std::filesystem;

namespace {

// A manifest fault, already worded for the user.
struct ManifestError {
  std::string text;
};

// Where a manifest value comes from, for messages.
struct Origin {
  std::string file;
  std::string key;  // dotted, e.g. "wizard.styles.license"
  toml::source_position position;
};

[[noreturn]] void Throw(const Origin& origin, const std::string& reason) {
  std::ostringstream text;
  text << origin.file;
  if (origin.position.line != 0) text << ':' << origin.position.line << ':' << origin.position.column;
  text << ": ";
  if (!origin.key.empty()) text << origin.key << ": ";
  text << reason;
  throw ManifestError{text.str()};
}

String Wide(const std::string& utf8) { return Utf8ToUtf16(utf8.c_str(), static_cast<int32_t>(utf8.size())); }

// One table of the manifest: typed reads that remember which keys were
// used, so that a misspelt key is reported instead of silently ignored.
class Table {
 public:
  Table(const toml::table* table, std::string file, std::string prefix, toml::source_position position)
      : table_(table), file_(std::move(file)), prefix_(std::move(prefix)), position_(position) {}

  bool present() const { return table_ != nullptr; }

  Origin At(const std::string& key) const {
    const toml::node* node = table_ ? table_->get(key) : nullptr;
    return Origin{file_, Dotted(key), node ? node->source().begin : position_};
  }

  const toml::node* Node(const std::string& key) {
    used_.insert(key);
    return table_ ? table_->get(key) : nullptr;
  }

  bool Text(const std::string& key, std::string* out) {
    const toml::node* node = Node(key);
    if (!node) return false;
    if (!node->is_string()) Throw(At(key), "expected a text in double quotes");
    *out = node->as_string()->get();
    if (out->find('\0') != std::string::npos) Throw(At(key), "a text may not hold a zero character");
    return true;
  }

  bool Flag(const std::string& key, bool* out) {
    const toml::node* node = Node(key);
    if (!node) return false;
    if (!node->is_boolean()) Throw(At(key), "expected true or false");
    *out = node->as_boolean()->get();
    return true;
  }

  bool Number(const std::string& key, int64_t low, int64_t high, int64_t* out) {
    const toml::node* node = Node(key);
    if (!node) return false;
    if (!node->is_integer()) Throw(At(key), "expected a whole number");
    int64_t value = node->as_integer()->get();
    if (value < low || value > high) {
      Throw(At(key), "expected a number from " + std::to_string(low) + " to " + std::to_string(high));
    }
    *out = value;
    return true;
  }

  // One of the named choices; *out receives its index.
  bool Choice(const std::string& key, std::initializer_list<const char*> choices, int* out) {
    std::string value;
    if (!Text(key, &value)) return false;
    int index = 0;
    std::string list;
    for (const char* choice : choices) {
      if (value == choice) {
        *out = index;
        return true;
      }
      list += std::string(index ? ", \"" : "\"") + choice + "\"";
      ++index;
    }
    Throw(At(key), "expected one of " + list);
  }

  bool TextList(const std::string& key, std::vector<std::string>* out) {
    const toml::node* node = Node(key);
    if (!node) return false;
    if (node->is_string()) {
      out->push_back(node->as_string()->get());
      return true;
    }
    if (!node->is_array()) Throw(At(key), "expected a text or a list of texts");
    for (const toml::node& item : *node->as_array()) {
      if (!item.is_string()) Throw(At(key), "expected a list of texts");
      out->push_back(item.as_string()->get());
    }
    return true;
  }

  Table Sub(const std::string& key) {
    const toml::node* node = Node(key);
    if (node && !node->is_table()) Throw(At(key), "expected a table");
    return Table(node ? node->as_table() : nullptr, file_, Dotted(key), At(key).position);
  }

  // Arrays of tables ([[file]]): one Table per element.
  std::vector<Table> Each(const std::string& key) {
    std::vector<Table> tables;
    const toml::node* node = Node(key);
    if (!node) return tables;
    if (!node->is_array_of_tables()) Throw(At(key), "expected [[" + Dotted(key) + "]] tables");
    int index = 0;
    for (const toml::node& item : *node->as_array()) {
      tables.emplace_back(item.as_table(), file_, Dotted(key) + "[" + std::to_string(index++) + "]",
                          item.source().begin);
    }
    return tables;
  }

  // Every key of the table, for tables whose keys are data (messages).
  std::vector<std::string> Keys() {
    std::vector<std::string> keys;
    if (!table_) return keys;
    for (auto&& [key, node] : *table_) {
      keys.emplace_back(key.str());
      used_.insert(std::string(key.str()));
    }
    return keys;
  }

  // Reports the first key that no read asked for.
  void RejectUnknown() const {
    if (!table_) return;
    for (auto&& [key, node] : *table_) {
      if (!used_.count(std::string(key.str()))) {
        (void)node;
        Throw(Origin{file_, Dotted(std::string(key.str())), key.source().begin}, "unknown key");
      }
    }
  }

 private:
  std::string Dotted(const std::string& key) const { return prefix_.empty() ? key : prefix_ + "." + key; }

  const toml::table* table_;
  std::string file_;
  std::string prefix_;
  toml::source_position position_;
  std::set<std::string> used_;
};

void SetText(Table& table, const std::string& key, String* field) {
  std::string value;
  if (table.Text(key, &value)) *field = Wide(value);
}

void SetFlag(Table& table, const std::string& key, ProductSettings* s, int bit, bool inverted = false) {
  bool value;
  if (table.Flag(key, &value)) s->SetFlag(bit, inverted ? !value : value);
}

void SetFlag2(Table& table, const std::string& key, ProductSettings* s, int bit) {
  bool value;
  if (table.Flag(key, &value)) s->SetFlag2(bit, value);
}

// Page styles by name, in the order of their stored values.
constexpr std::initializer_list<const char*> kStyleNames = {"plain", "side", "banner", "full"};

void ReadProduct(Table product, Product* out) {
  ProductSettings& s = out->settings;
  std::string name, version;
  if (!product.Text("name", &name) || name.empty()) Throw(product.At("name"), "the product needs a name");
  if (!product.Text("version", &version) || version.empty()) {
    Throw(product.At("version"), "the product needs a version");
  }
  Product defaults = DefaultProduct(Wide(name), Wide(version));
  out->settings = defaults.settings;
  out->languages = defaults.languages;
  SetText(product, "publisher", &s.Publisher);
  SetText(product, "description", &s.Description);
  SetText(product, "install_folder", &s.DefaultInstallDir);
  SetText(product, "start_menu_folder", &s.ProductStartMenu);
  SetText(product, "uninstall_key", &s.UninstallKeyName);
  SetText(product, "registry_key", &s.ProductRegistry);
  SetText(product, "uninstall_subfolder", &s.UninstallSubdir);
  SetText(product, "window_title", &s.WindowTitle);
  SetText(product, "shared_folder", &s.SharedPath);
  SetText(product, "password", &s.InstallPassword);
  std::string lowest;
  if (product.Text("no_downgrade_below", &lowest)) {
    if (lowest.size() > 255) Throw(product.At("no_downgrade_below"), "at most 255 characters");
    s.NoDowngradeBelow = String(lowest.c_str());
  }
  int choice;
  if (product.Choice("bitness", {"any", "64", "32"}, &choice)) s.Bitness = static_cast<uint8_t>(choice);
  if (product.Choice("shortcuts_for", {"current-user", "all-users"}, &choice)) {
    s.ShortcutMode = static_cast<uint8_t>(choice);
  }
  int64_t number;
  if (product.Number("extra_space", 0, INT64_MAX, &number)) s.ExtraSpace = static_cast<uint64_t>(number);
  product.RejectUnknown();
}

bool ParseHexKey(const std::string& text, uint8_t key[kPackageCipherKeyLength]) {
  if (text.size() != 2 * kPackageCipherKeyLength) return false;
  for (size_t i = 0; i < kPackageCipherKeyLength; ++i) {
    unsigned value = 0;
    for (size_t j = 0; j < 2; ++j) {
      char c = text[2 * i + j];
      int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return false;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    key[i] = static_cast<uint8_t>(value);
  }
  return true;
}

// The key of an enciphered package whose manifest names none: derived from
// the product, so that a build stays reproducible. The cipher keeps casual
// eyes off the package; it protects nothing from someone who has the
// installer, which carries its key.
void DerivedKey(const ProductSettings& s, uint8_t key[kPackageCipherKeyLength]) {
  uint32_t a = PackageChecksum(s.DisplayName.bytes(), static_cast<size_t>(s.DisplayName.length()));
  uint32_t b = PackageChecksum(s.DisplayVersion.bytes(), static_cast<size_t>(s.DisplayVersion.length()));
  for (int i = 0; i < 4; ++i) {
    key[i] = static_cast<uint8_t>(a >> (8 * i));
    key[4 + i] = static_cast<uint8_t>(b >> (8 * i));
  }
}

void ReadPackage(Table package, Product* out) {
  ProductSettings& s = out->settings;
  SetFlag(package, "compress", &s, product_flag::kCompressedBlocks);
  SetFlag(package, "program_checksum", &s, product_flag::kCheckProgramChecksum);
  SetFlag2(package, "uninstaller_copy", &s, product_flag2::kStrippedCopy);
  SetFlag2(package, "encipher", &s, product_flag2::kEnciphered);
  int place;
  if (package.Choice("file_data", {"inside", "after"}, &place)) s.FileDataOutside = static_cast<uint8_t>(place);
  std::string key;
  if (package.Text("cipher_key", &key)) {
    if (!ParseHexKey(key, out->options.cipher_key)) Throw(package.At("cipher_key"), "expected 16 hexadecimal digits");
  } else {
    DerivedKey(s, out->options.cipher_key);
  }
  int64_t block;
  if (package.Number("block_size", 4096, static_cast<int64_t>(kMaxDecodedBlockSize), &block)) {
    out->options.block_size = static_cast<size_t>(block);
  }
  package.RejectUnknown();
}

// A text file for a licence or readme page: UTF-8 (a byte-order mark is
// dropped) shown as UTF-16, with CR LF line breaks, which an edit control
// needs to show lines.
String ReadTextFile(const fs::path& path, const Origin& origin) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Throw(origin, "cannot read \"" + path.string() + "\"");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  String text = Wide(bytes);
  if (text.empty() && !bytes.empty()) Throw(origin, "\"" + path.string() + "\" is not UTF-8 text");
  NormalizeLineBreaks(text);
  return text;
}

void ReadWizard(Table wizard, const fs::path& base, Product* out) {
  ProductSettings& s = out->settings;
  SetFlag(wizard, "greeting", &s, product_flag::kNoGreetingPage, true);
  SetFlag(wizard, "folder_page", &s, product_flag::kFolderPage);
  SetFlag(wizard, "start_menu_page", &s, product_flag::kStartMenuPage);
  SetFlag(wizard, "progress_page", &s, product_flag::kProgressPage);
  SetFlag(wizard, "confirm_install_over", &s, product_flag::kNoInstallOverConfirm, true);
  SetFlag(wizard, "ask_restart", &s, product_flag::kAskRestart);
  SetFlag(wizard, "background_window", &s, product_flag::kNoBackgroundWindow, true);
  SetFlag(wizard, "single_instance", &s, product_flag::kSingleInstance);
  SetFlag(wizard, "show_errors_when_automatic", &s, product_flag::kErrorBoxesWhenAutomatic);
  int choice;
  if (wizard.Choice("automatic", {"command-line", "on", "off-unless-silent"}, &choice)) {
    s.AutomaticMode = static_cast<uint8_t>(choice);
  }
  int64_t time;
  if (wizard.Number("status_time", 0, 9999, &time)) s.MinStatusTime = static_cast<uint16_t>(time);

  for (const char* key : {"license", "readme"}) {
    std::vector<std::string> files;
    if (!wizard.TextList(key, &files)) continue;
    if (files.size() > 20) Throw(wizard.At(key), "at most 20 pages");
    Array<String>& texts = std::strcmp(key, "license") == 0 ? s.LicenseTexts : s.ReadmeTexts;
    for (const std::string& file : files) texts.Add(ReadTextFile(base / file, wizard.At(key)));
  }

  int style;
  if (wizard.Choice("style", kStyleNames, &style)) {
    for (int32_t& page : s.PageStyles) page = style;
  }
  Table styles = wizard.Sub("styles");
  const char* pages[kPageStyleSlots] = {"greeting", "language", "license", "readme",
                                        "folder",   "start_menu", "progress", "finish"};
  for (int i = 0; i < kPageStyleSlots; ++i) {
    if (styles.Choice(pages[i], kStyleNames, &style)) s.PageStyles[static_cast<size_t>(i)] = style;
  }
  styles.RejectUnknown();
  wizard.RejectUnknown();
}

void ReadFinish(Table finish, Product* out) {
  ProductSettings& s = out->settings;
  SetText(finish, "run", &s.FinishProgram);
  SetText(finish, "document", &s.FinishDocument);
  SetText(finish, "second_document", &s.FinishDocument2);
  SetFlag2(finish, "run_checked", &s, product_flag2::kFinishRunChecked);
  SetFlag2(finish, "document_checked", &s, product_flag2::kFinishDocumentChecked);
  SetFlag2(finish, "second_document_checked", &s, product_flag2::kFinishDocument2Checked);
  SetFlag(finish, "view_log", &s, product_flag::kFinishViewLog);
  finish.RejectUnknown();
}

void ReadUninstall(Table uninstall, Product* out) {
  ProductSettings& s = out->settings;
  SetFlag(uninstall, "enabled", &s, product_flag::kDetectInstallation);
  SetFlag(uninstall, "start_menu_shortcut", &s, product_flag::kUninstallStartMenuShortcut);
  SetFlag(uninstall, "desktop_shortcut", &s, product_flag::kUninstallDesktopShortcut);
  SetFlag(uninstall, "keep_install_log", &s, product_flag::kKeepInstallLog);
  SetFlag(uninstall, "check_version", &s, product_flag::kCheckInstalledVersion);
  uninstall.RejectUnknown();
}

// A message number key: decimal, below the message count limit.
int32_t MessageNumber(const std::string& key, const Origin& origin) {
  if (key.empty() || key.size() > 4 || key.find_first_not_of("0123456789") != std::string::npos) {
    Throw(origin, "a message is named by its number");
  }
  return std::stoi(key);
}

// Replaces messages of a language. A replacement keeps the placeholders of
// the default text, since the installer passes exactly those arguments.
void ReadMessages(Table messages, LanguageMessages* language) {
  const LanguageMessages english = DefaultEnglish();
  for (const std::string& key : messages.Keys()) {
    Origin origin = messages.At(key);
    int32_t number = MessageNumber(key, origin);
    std::string text;
    messages.Text(key, &text);
    String wide = Wide(text);
    if (static_cast<size_t>(number) < static_cast<size_t>(kDefaultMessageCount)) {
      const String& original = english.messages[static_cast<size_t>(number)];
      std::string expected = MessagePlaceholders(original.w_str());
      if (MessagePlaceholders(wide.w_str()) != expected) {
        Throw(origin, "this message must hold the placeholders \"" + expected + "\" in that order");
      }
    } else if (!MessagePlaceholders(wide.w_str()).empty()) {
      Throw(origin, "a message the installer does not format may not hold % placeholders");
    }
    if (language->messages.size() <= static_cast<size_t>(number)) {
      language->messages.resize(static_cast<size_t>(number) + 1);
    }
    language->messages[static_cast<size_t>(number)] = wide;
  }
}

void ReadLanguages(Table& root, Product* out) {
  ReadMessages(root.Sub("messages"), &out->languages.front());
  for (Table& language : root.Each("language")) {
    LanguageMessages messages = DefaultEnglish();
    std::string name;
    if (!language.Text("name", &name) || name.empty()) Throw(language.At("name"), "a language needs a name");
    messages.name = Wide(name);
    ReadMessages(language.Sub("messages"), &messages);
    language.RejectUnknown();
    out->languages.push_back(std::move(messages));
  }
  if (out->languages.size() > 200) Throw(root.At("language"), "at most 200 languages");
}

// Per-file options, by the file's path relative to the source folder.
struct FileOptions {
  Origin origin;
  uint32_t kind = entry_kind::kInstallFolder;
  uint32_t overwrite = entry_flag::kOverwriteAlways;
  bool permanent = false;
  uint32_t attributes = kKeepAttributes;
  std::string destination;
  std::string version;
  bool used = false;
};

std::string GenericPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::map<std::string, FileOptions> ReadFileOptions(Table& root) {
  std::map<std::string, FileOptions> options;
  for (Table& file : root.Each("file")) {
    std::string path;
    if (!file.Text("path", &path) || path.empty()) Throw(file.At("path"), "the file's path in the source folder");
    FileOptions o;
    o.origin = file.At("path");
    int choice;
    if (file.Choice("overwrite", {"always", "never", "if-exists", "if-missing", "if-not-newer"}, &choice)) {
      const uint32_t modes[] = {entry_flag::kOverwriteAlways, entry_flag::kOverwriteNever, entry_flag::kOverwriteIfExists,
                                entry_flag::kOverwriteIfMissing, entry_flag::kOverwriteIfNotNewer};
      o.overwrite = modes[choice];
    }
    if (file.Choice("kind", {"install", "shared", "font", "startup", "system", "versioned"}, &choice)) {
      const uint32_t kinds[] = {entry_kind::kInstallFolder, entry_kind::kSharedFolder, entry_kind::kFont,
                                entry_kind::kStartup,       entry_kind::kSystem,       entry_kind::kVersioned};
      o.kind = kinds[choice];
    }
    file.Flag("permanent", &o.permanent);
    bool readonly = false, hidden = false;
    file.Flag("readonly", &readonly);
    file.Flag("hidden", &hidden);
    if (readonly || hidden) o.attributes = (readonly ? 0x1u : 0u) | (hidden ? 0x2u : 0u);
    file.Text("destination", &o.destination);
    file.Text("version", &o.version);
    if (o.kind == entry_kind::kFont && o.version.empty()) {
      Throw(file.At("version"), "a font needs its display name as version");
    }
    file.RejectUnknown();
    if (!options.emplace(GenericPath(path), o).second) Throw(o.origin, "this file is named twice");
  }
  return options;
}

struct ShortcutOptions {
  Origin origin;
  std::string name, arguments, working_folder, icon;
  bool start_menu = true;
  bool desktop = false;
  bool used = false;
};

std::map<std::string, ShortcutOptions> ReadShortcuts(Table& root) {
  std::map<std::string, ShortcutOptions> shortcuts;
  for (Table& shortcut : root.Each("shortcut")) {
    std::string target;
    if (!shortcut.Text("target", &target) || target.empty()) {
      Throw(shortcut.At("target"), "the shortcut's target file in the source folder");
    }
    ShortcutOptions o;
    o.origin = shortcut.At("target");
    shortcut.Text("name", &o.name);
    shortcut.Text("arguments", &o.arguments);
    shortcut.Text("working_folder", &o.working_folder);
    shortcut.Text("icon", &o.icon);
    shortcut.Flag("start_menu", &o.start_menu);
    shortcut.Flag("desktop", &o.desktop);
    if (!o.start_menu && !o.desktop) Throw(o.origin, "a shortcut goes to the Start Menu, the desktop or both");
    shortcut.RejectUnknown();
    if (!shortcuts.emplace(GenericPath(target), o).second) Throw(o.origin, "one shortcut per file");
  }
  return shortcuts;
}

void SetFileDate(const fs::path& path, EntryRecord* entry) {
  std::error_code error;
  auto written = fs::last_write_time(path, error);
  if (error) return;
  // Seconds since 1970 in UTC, exactly, so that a build does not depend on
  // when it runs.
  auto since = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::file_clock::to_sys(written).time_since_epoch());
  std::time_t seconds = static_cast<std::time_t>(since.count());
  std::tm utc;
  if (!gmtime_r(&seconds, &utc)) return;
  const int32_t date[6] = {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec};
  std::memcpy(entry->date, date, sizeof date);
}

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool Matches(const std::vector<std::string>& patterns, const std::string& relative) {
  for (const std::string& pattern : patterns) {
    // '*' also crosses folders: "*.pdb" leaves out every .pdb file.
    if (fnmatch(pattern.c_str(), relative.c_str(), 0) == 0) return true;
  }
  return false;
}

void ReadFiles(Table& root, const fs::path& base, Product* out) {
  Table files = root.Sub("files");
  std::string source;
  if (!files.Text("source", &source) || source.empty()) {
    Throw(files.present() ? files.At("source") : root.At("files"), "the folder that holds the product's files");
  }
  std::vector<std::string> exclude;
  files.TextList("exclude", &exclude);
  int dates = 0;
  files.Choice("dates", {"modified", "none"}, &dates);
  files.RejectUnknown();
  std::map<std::string, FileOptions> options = ReadFileOptions(root);
  std::map<std::string, ShortcutOptions> shortcuts = ReadShortcuts(root);

  const fs::path folder = base / source;
  std::error_code error;
  if (!fs::is_directory(folder, error)) Throw(files.At("source"), "\"" + folder.string() + "\" is not a folder");
  std::vector<std::string> relatives;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file()) continue;
    std::string relative = fs::relative(it->path(), folder).generic_string();
    if (!Matches(exclude, relative)) relatives.push_back(relative);
  }
  if (error) Throw(files.At("source"), "cannot list \"" + folder.string() + "\": " + error.message());
  // Directory order differs between systems; name order keeps builds identical.
  std::sort(relatives.begin(), relatives.end());

  for (const std::string& relative : relatives) {
    PackageFile file;
    file.source_path = (folder / relative).string();
    std::string name = relative;
    std::replace(name.begin(), name.end(), '/', '\\');
    EntryRecord& entry = file.entry;
    entry.kind = entry_kind::kInstallFolder;
    entry.attributes = kKeepAttributes;
    if (dates == 0) SetFileDate(file.source_path, &entry);
    // Entry names are 8-bit; a name beyond ASCII travels whole in the UTF-16
    // destination, relative to the install folder.
    if (IsAscii(name)) {
      entry.name = String(name.c_str());
    } else {
      std::string plain = name;
      for (char& c : plain) if (static_cast<unsigned char>(c) >= 0x80) c = '_';
      entry.name = String(plain.c_str());
      entry.destination = Wide(name);
    }
    if (auto o = options.find(relative); o != options.end()) {
      o->second.used = true;
      entry.kind = o->second.kind;
      entry.flags |= o->second.overwrite | (o->second.permanent ? entry_flag::kPermanent : 0);
      entry.attributes = o->second.attributes;
      if (!o->second.destination.empty()) entry.destination = Wide(o->second.destination);
      if (!o->second.version.empty()) entry.version = String(o->second.version.c_str());
    }
    if (auto s = shortcuts.find(relative); s != shortcuts.end()) {
      ShortcutOptions& o = s->second;
      o.used = true;
      if (entry.kind != entry_kind::kInstallFolder) Throw(o.origin, "shortcuts are made to files in the install folder");
      entry.flags |= (o.desktop ? entry_flag::kDesktopShortcut : 0) | (o.start_menu ? entry_flag::kStartMenuShortcut : 0);
      entry.version = String(o.name.c_str());  // the shortcut's name, UTF-8
      entry.shortcut_icon = String(o.icon.c_str());
      String arguments;
      FromUtf16(Wide(o.arguments).w_str(), String::kToEnd, arguments, kCodePageWestern);
      entry.shortcut_arguments = arguments;
      entry.working_folder = String(o.working_folder.c_str());
    }
    out->files.push_back(std::move(file));
  }
  for (const auto& [path, o] : options) {
    if (!o.used) Throw(o.origin, "\"" + path + "\" is not among the product's files");
  }
  for (const auto& [path, o] : shortcuts) {
    if (!o.used) Throw(o.origin, "\"" + path + "\" is not among the product's files");
  }
}

void ReadManifest(const toml::table& document, const std::string& path, Product* out) {
  const fs::path base = fs::path(path).parent_path();
  Table root(&document, path, "", toml::source_position{1, 1});
  *out = Product();
  ReadProduct(root.Sub("product"), out);
  ReadPackage(root.Sub("package"), out);
  ReadWizard(root.Sub("wizard"), base, out);
  ReadFinish(root.Sub("finish"), out);
  ReadUninstall(root.Sub("uninstall"), out);
  ReadLanguages(root, out);
  ReadFiles(root, base, out);
  root.RejectUnknown();
}

}  // namespace

bool ParseManifest(const std::string& text, const std::string& path, Product* product, std::string* error) {
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
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot read the manifest";
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseManifest(text, path, product, error);
}

const char kManifestReference[] = R"(The manifest is a TOML file. Only [product] name and version and [files]
source are required; every other key has the default shown. Paths are
relative to the manifest's folder. Texts may use <product>, <description>
and <os> (the Windows folder) where the installer shows them.

[product]
name = "..."                    # required; the product name
version = "..."                 # required; the product version
publisher = ""
description = ""                # default: the name
install_folder = ""             # default: the name, under Program Files; a
                                #   relative folder goes under Program Files
start_menu_folder = ""          # default: the name
uninstall_key = ""              # name under the Windows Uninstall key; default: the name
registry_key = ""               # Software\<this> is removed on uninstall
uninstall_subfolder = ""        # install-folder subfolder for the uninstaller
window_title = "<product> Setup"
shared_folder = ""              # default: the publisher, else the name
password = ""                   # non-empty: the password page is shown
no_downgrade_below = ""         # installed versions from this one on refuse older ones
bitness = "any"                 # "any", "64" (64-bit Windows only), "32"
shortcuts_for = "all-users"     # or "current-user"
extra_space = 0                 # bytes to require beyond the files

[package]
compress = true                 # zlib-compress the file data
file_data = "inside"            # "inside" the mapped section, or "after" it in the file
encipher = false                # Blowfish instead of scrambling
cipher_key = ""                 # 16 hex digits; default: derived from name and version
program_checksum = true         # the installer checks its own program image
uninstaller_copy = true         # keep the program without its package as uninstaller
block_size = 1048576            # plain bytes per file-data block (4096 and up)

[wizard]
greeting = true                 # the greeting page
folder_page = true              # let the user choose the install folder
start_menu_page = true          # let the user choose the Start Menu folder
progress_page = true
confirm_install_over = true     # ask before installing over an earlier installation
ask_restart = false             # offer to restart Windows at the end
background_window = false       # the full-screen gradient window behind the pages
single_instance = true          # one installer at a time
automatic = "command-line"      # "on", "off-unless-silent", or as /a and /silent say
show_errors_when_automatic = false
status_time = 0                 # milliseconds each progress text stays (0..9999)
license = []                    # UTF-8 text files, one licence page each (up to 20)
readme = []                     # likewise, one readme page each
style = "side"                  # every page: "side" (picture), "plain", "banner", "full"
[wizard.styles]                 # one page: greeting, language, license, readme,
license = "banner"              #   folder, start_menu, progress, finish

[finish]                        # options offered on the finish page
run = ""                        # a command line, e.g. "\"%InstallDir%\\app.exe\""
run_checked = false
document = ""                   # opened with the shell; relative to the install folder
document_checked = false
second_document = ""
second_document_checked = false
view_log = false                # offer to show the install log

[uninstall]
enabled = true                  # uninstall data, Uninstall entry, earlier-install detection
start_menu_shortcut = true      # an "Uninstall <product>" shortcut in the Start Menu
desktop_shortcut = false
keep_install_log = true         # Install.log in the install folder
check_version = true            # compare with the installed version

[files]
source = "files"                # required; every file below it is installed,
                                #   keeping its subfolders, in name order
exclude = []                    # patterns: "*.pdb", "docs/drafts/*"
dates = "modified"              # each file's modification time (UTC), or "none"

[[file]]                        # options of one file, by its path in source
path = "bin/tool.dll"
kind = "install"                # "install", "shared", "font", "startup", "system", "versioned"
overwrite = "always"            # "never", "if-exists", "if-missing", "if-not-newer"
permanent = false               # left in place on uninstall
readonly = false
hidden = false
destination = ""                # another name, or a path relative to the install folder
version = ""                    # "versioned": the file's version; "font": its display name

[[shortcut]]                    # one per file of the install folder
target = "bin/app.exe"
name = ""                       # default: the file name; "Sub\\Name" makes a subfolder
start_menu = true
desktop = false
arguments = ""
working_folder = ""
icon = ""

[messages]                      # replace English messages by number
"42" = "<product> is ready.\r\n\r\nClick Finish to close Setup."

[[language]]                    # further languages; missing messages are English
name = "Deutsch"
[language.messages]
"49" = "Abbrechen"

A replaced message keeps the printf placeholders (%s, %d, %c) of the
default text, in the same order.
)";
