// [product] and [package]: the product's names and folders, checked against
// the lengths the installer takes, and how the package is stored.
#include "builder/manifest_sections.h"

#include <cstdint>
#include <string>
#include <utility>

#include "builder/file_names.h"
#include "package/checksum.h"
#include "package/locator.h"

namespace fs = std::filesystem;

namespace manifest_reading {

namespace {

// The longest texts the installer takes where the manifest sets them; beyond
// them it would stop on the customer's machine. A relative install folder
// goes under Program Files, so it keeps room for the longest such prefix.
constexpr size_t kMaxFolderPath = 259;
constexpr size_t kProgramFilesPrefix = sizeof "C:\\Program Files (x86)\\" - 1;
constexpr size_t kMaxRegistryKeyName = 255;
constexpr size_t kMaxPassword = 64;

size_t Units(const String& text) { return static_cast<size_t>(text.wlength()); }

bool IsAbsoluteFolder(const String& folder) {
  const char16_t* w = folder.w_str();
  return Units(folder) >= 2 && (w[1] == u':' || (w[0] == u'\\' && w[1] == u'\\'));
}

// A registry key or folder name between backslashes: Windows takes at most
// 255 characters in one part, so a longer part fails only at install time.
void CheckPartLengths(Table& product, const Product& out) {
  const ProductSettings& s = out.settings;
  const std::pair<const char*, const String*> keys[] = {
      {"registry_key", &s.ProductRegistry}, {"uninstall_subfolder", &s.UninstallSubdir},
      {"shared_folder", &s.SharedPath}, {"install_folder", &s.DefaultInstallDir},
      {"start_menu_folder", &s.ProductStartMenu}};
  for (const auto& key : keys) {
    const std::u16string text(key.second->w_str(), Units(*key.second));
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find_first_of(u"\\/", start);
      if (end == std::u16string::npos) end = text.size();
      if (end - start > kMaxRegistryKeyName) {
        std::string value;
        const bool own = product.Text(key.first, &value);
        Throw(product.At(own ? key.first : "name"),
              std::string("a part of ") + key.first + " between backslashes takes at most 255 characters; " +
                  (own ? "shorten it" : "it is named after the product: shorten the name or publisher, or set " + std::string(key.first)));
      }
      start = end + 1;
    }
  }
}

void CheckTextLimits(Table& product, const Product& out) {
  const ProductSettings& s = out.settings;
  struct Limit {
    const char* key;  // the key that set it; "name" also stands for the defaults derived from it
    const String* text;
    size_t most;
    const char* why;
  } limits[] = {
      {"uninstall_key", s.UninstallKeyName.empty() ? &s.DisplayName : &s.UninstallKeyName, kMaxRegistryKeyName,
       "it names the product's Uninstall registry key"},
      {"install_folder", &s.DefaultInstallDir,
       IsAbsoluteFolder(s.DefaultInstallDir) ? kMaxFolderPath : kMaxFolderPath - kProgramFilesPrefix,
       "the install folder, under Program Files when relative, takes at most 259 characters"},
      {"start_menu_folder", &s.ProductStartMenu, kMaxFolderPath, "the Start Menu folder takes at most 259 characters"},
      {"password", &s.InstallPassword, kMaxPassword, "the password field takes at most 64 characters"},
  };
  for (const Limit& limit : limits) {
    if (Units(*limit.text) <= limit.most) continue;
    std::string value;
    const bool own = product.Text(limit.key, &value);
    Throw(product.At(own ? limit.key : "name"),
          "at most " + std::to_string(limit.most) + " characters (" + limit.why + ")" +
              (own ? "" : std::string("; the ") + limit.key + " is named after the product: shorten the name or set " +
                              limit.key));
  }
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

}  // namespace

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
  SetTexts(product, {{"publisher", &s.Publisher},
                     {"description", &s.Description},
                     {"install_folder", &s.DefaultInstallDir},
                     {"start_menu_folder", &s.ProductStartMenu},
                     {"uninstall_key", &s.UninstallKeyName},
                     {"registry_key", &s.ProductRegistry},
                     {"uninstall_subfolder", &s.UninstallSubdir},
                     {"window_title", &s.WindowTitle},
                     {"shared_folder", &s.SharedPath},
                     {"password", &s.InstallPassword}});
  std::string lowest;
  if (product.Text("no_downgrade_below", &lowest)) {
    // UTF-16 text behind a one-byte length: at most 127 units.
    s.NoDowngradeBelow = Wide(lowest);
    if (s.NoDowngradeBelow.length() > 255) {
      Throw(product.At("no_downgrade_below"), "at most 127 characters; give a shorter version");
    }
  }
  if (s.UninstallKeyName.empty()) {
    // Named after the product, the Uninstall entry is shared with any other
    // vendor's product of the same name, whose installer then replaces it.
    out->warnings.push_back(Describe(product.At("uninstall_key")) +
                            ": not set, so the product's Uninstall entry is named \"" + name +
                            "\", and another vendor's product of that name would take it over; set a key "
                            "unique to you, such as \"YourCompany." + name + "\"");
  }
  CheckTextLimits(product, *out);
  CheckPartLengths(product, *out);
  for (const char* key : {"install_folder", "start_menu_folder", "registry_key", "uninstall_key"}) {
    std::string value;
    if (!product.Text(key, &value)) continue;
    const bool folder = std::string(key).find("folder") != std::string::npos;
    const std::string problem = folder ? WindowsFolderProblem(value) : RegistryKeyProblem(value);
    if (!problem.empty()) {
      Throw(product.At(key), "\"" + value + "\" cannot be a Windows " + (folder ? "folder: " : "registry key: ") + problem);
    }
  }
  int choice;
  if (product.Choice("bitness", {"any", "64", "32"}, &choice)) s.Bitness = static_cast<uint8_t>(choice);
  if (product.Choice("shortcuts_for", {"current-user", "all-users"}, &choice)) {
    s.ShortcutMode = static_cast<uint8_t>(choice);
  }
  if (product.Choice("exit_codes", {"classic", "deployment"}, &choice)) {
    s.SetFlag2(product_flag2::kDeploymentExitCodes, choice == 1);
  }
  product.Text("package_id", &out->package_id);
  int64_t number;
  if (product.Number("extra_space", 0, INT64_MAX, &number)) s.ExtraSpace = static_cast<uint64_t>(number);
  product.RejectUnknown();
}

void ReadPackage(Table package, Product* out) {
  ProductSettings& s = out->settings;
  SetFlags(package, &s, {{"compress", product_flag::kCompressedBlocks},
                         {"program_checksum", product_flag::kCheckProgramChecksum},
                         {"uninstaller_copy", product_flag2::kStrippedCopy, FlagKey::kFlags2},
                         {"encipher", product_flag2::kEnciphered, FlagKey::kFlags2}});
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

}  // namespace manifest_reading
