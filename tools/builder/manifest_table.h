// Reading one table of a product manifest: typed reads that name the file,
// line, column and dotted key of a fault, and that remember the keys they
// were asked for, so that a misspelt key is reported instead of ignored.
// Shared by the readers of the manifest's sections (manifest_sections.h,
// manifest_actions.h); a fault is thrown as ManifestError and reported by
// ParseManifest.
#pragma once

#include <toml++/toml.h>

#include <algorithm>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/string.h"
#include "package/settings.h"

namespace manifest_reading {

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

// "FILE:LINE:COLUMN: KEY" for messages.
inline std::string Describe(const Origin& origin) {
  std::ostringstream text;
  text << origin.file;
  if (origin.position.line != 0) text << ':' << origin.position.line << ':' << origin.position.column;
  if (!origin.key.empty()) text << ": " << origin.key;
  return text.str();
}

[[noreturn]] inline void Throw(const Origin& origin, const std::string& reason) {
  std::ostringstream text;
  text << Describe(origin) << ": " << reason;
  throw ManifestError{text.str()};
}

inline String Wide(const std::string& utf8) { return Utf8ToUtf16(utf8.c_str(), static_cast<int32_t>(utf8.size())); }

inline bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

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

// A manifest key and the text it sets.
struct TextKey {
  const char* key;
  String* field;
};

// Sets each text whose key the table has.
inline void SetTexts(Table& table, std::initializer_list<TextKey> keys) {
  std::string value;
  for (const TextKey& k : keys) {
    if (table.Text(k.key, &value)) *k.field = Wide(value);
  }
}

// A manifest key and the settings flag it sets: a bit of ProductFlags or of
// ProductFlags2, or a bit that means the opposite of the key.
struct FlagKey {
  enum Word { kFlags, kFlags2, kFlagsInverted };
  const char* key;
  int bit;
  Word word = kFlags;
};

// Sets each flag whose key the table has.
inline void SetFlags(Table& table, ProductSettings* s, std::initializer_list<FlagKey> keys) {
  bool value;
  for (const FlagKey& k : keys) {
    if (!table.Flag(k.key, &value)) continue;
    if (k.word == FlagKey::kFlags2) {
      s->SetFlag2(k.bit, value);
    } else {
      s->SetFlag(k.bit, k.word == FlagKey::kFlagsInverted ? !value : value);
    }
  }
}

}  // namespace manifest_reading
