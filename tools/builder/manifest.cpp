#include "builder/manifest.h"

#include <fnmatch.h>
#include <toml++/toml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "builder/file_names.h"
#include "builder/manifest_actions.h"
#include "builder/manifest_table.h"
#include "actions/file_deletion.h"
#include "core/codepage.h"
#include "package/checksum.h"
#include "package/languages.h"
#include "package/settings_fields.h"

namespace fs = std::filesystem;

namespace {

using namespace manifest_reading;

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

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
  CheckTextLimits(product, *out);
  CheckPartLengths(product, *out);
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

// A text file for a licence or readme page: UTF-8 (a byte-order mark is
// dropped) shown as UTF-16, with CR LF line breaks, which an edit control
// needs to show lines.
String ReadTextFile(const fs::path& path, const Origin& origin) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Throw(origin, "cannot read \"" + path.string() + "\"");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  String text = Wide(bytes);
  if (!IsValidUtf8(bytes) || (text.empty() && !bytes.empty())) {
    Throw(origin, "\"" + path.string() + "\" is not UTF-8 text; save it as UTF-8 (iconv -f WINDOWS-1252 -t UTF-8)");
  }
  NormalizeLineBreaks(text);
  return text;
}

// The bytes of a file the package carries whole (bitmap, sound).
String ReadBinaryFile(const fs::path& path, const Origin& origin) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Throw(origin, "cannot read \"" + path.string() + "\"");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  String out;
  out.Assign(bytes.data(), static_cast<int32_t>(bytes.size()));
  return out;
}

// "#RRGGBB" as a Windows colour reference (0x00BBGGRR).
void SetColour(Table& table, const std::string& key, uint32_t* out) {
  std::string text;
  if (!table.Text(key, &text)) return;
  if (text.size() != 7 || text[0] != '#' || text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos) {
    Throw(table.At(key), "a colour is written \"#RRGGBB\"");
  }
  const uint32_t rgb = static_cast<uint32_t>(std::stoul(text.substr(1), nullptr, 16));
  *out = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

// A font face name, stored 8-bit.
void SetFontName(Table& table, const std::string& key, String* out) {
  std::string text;
  if (!table.Text(key, &text)) return;
  if (text.size() >= 32) Throw(table.At(key), "a font name has at most 31 characters");
  *out = Utf16ToAnsi(Wide(text));
}

// The wizard's look beyond the page styles: the greeting's link and sound and
// the side picture's frame.
void ReadWizardLook(Table& wizard, const fs::path& base, Product* out) {
  ProductSettings& s = out->settings;
  SetTexts(wizard, {{"link", &s.GreetingLink}});
  std::string sound;
  if (wizard.Text("greeting_sound", &sound) && !sound.empty()) {
    s.GreetingSound = ReadBinaryFile(base / sound, wizard.At("greeting_sound"));
  }
  int frame;
  if (wizard.Choice("side_picture_frame", {"none", "sunken", "border", "sunken-on-side-pages"}, &frame)) {
    s.SidePictureFrame = static_cast<uint8_t>(frame);
  }
}

void ReadWizard(Table wizard, const fs::path& base, Product* out) {
  ProductSettings& s = out->settings;
  SetFlags(wizard, &s, {{"greeting", product_flag::kNoGreetingPage, FlagKey::kFlagsInverted},
                        {"folder_page", product_flag::kFolderPage},
                        {"start_menu_page", product_flag::kStartMenuPage},
                        {"progress_page", product_flag::kProgressPage},
                        {"confirm_install_over", product_flag::kNoInstallOverConfirm, FlagKey::kFlagsInverted},
                        {"ask_restart", product_flag::kAskRestart},
                        {"background_window", product_flag::kNoBackgroundWindow, FlagKey::kFlagsInverted},
                        {"single_instance", product_flag::kSingleInstance},
                        {"show_errors_when_automatic", product_flag::kErrorBoxesWhenAutomatic},
                        {"button_images", product_flag2::kButtonImages, FlagKey::kFlags2}});
  int choice;
  if (wizard.Choice("automatic", {"command-line", "on", "off-unless-silent"}, &choice)) {
    s.AutomaticMode = static_cast<uint8_t>(choice);
  }
  // The codes of the background title's positions, 0 centring the page.
  if (wizard.Choice("progress_position", {"centre", "top-left", "top-centre", "top-right", "bottom-left",
                                          "bottom-centre", "bottom-right"},
                    &choice)) {
    s.ProgressPlacement = choice;
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
  ReadWizardLook(wizard, base, out);
  wizard.RejectUnknown();
}

// A ".bmp" file, checked as the program will draw it; empty when not given.
String ReadBitmapFile(Table& table, const fs::path& base, const std::string& key) {
  std::string path;
  if (!table.Text(key, &path) || path.empty()) return String();
  String bitmap = ReadBinaryFile(base / path, table.At(key));
  std::string reason;
  if (!CheckBitmapFile(bitmap, &reason)) Throw(table.At(key), "\"" + path + "\": " + reason + "; give a .bmp file");
  return bitmap;
}

// The background window: colours, bitmap, title and copyright line.
void ReadBackground(Table background, const fs::path& base, Product* out) {
  ProductSettings& s = out->settings;
  static const std::initializer_list<const char*> kPositions = {
      "none", "top-left", "top-centre", "top-right", "bottom-left", "bottom-centre", "bottom-right"};
  SetTexts(background, {{"taskbar_text", &s.TaskbarText},
                        {"title", &s.DisplayTitle}});
  SetFontName(background, "title_font", &s.TitleFont);
  int64_t number;
  if (background.Number("title_size", 25, 1000, &number)) s.TitleSize = static_cast<double>(number) / 100;
  SetColour(background, "title_color", &s.TitleColor);
  if (background.Number("title_shadow", 0, 255, &number)) s.TitleShadow = static_cast<uint8_t>(number);
  int choice;
  if (background.Choice("title_position", kPositions, &choice)) s.TitlePosition = static_cast<uint8_t>(choice);
  SetColour(background, "top_color", &s.TopColor);
  SetColour(background, "bottom_color", &s.BottomColor);
  SetTexts(background, {{"copyright", &s.CopyrightText}});
  SetFontName(background, "copyright_font", &s.CopyrightFont);
  if (background.Number("copyright_size", 25, 1000, &number)) s.CopyrightSize = static_cast<double>(number) / 100;
  SetColour(background, "copyright_color", &s.CopyrightColor);
  if (background.Choice("copyright_position", kPositions, &choice)) s.CopyrightPos = static_cast<uint8_t>(choice);
  s.BackgroundBitmap = ReadBitmapFile(background, base, "bitmap");
  if (!s.BackgroundBitmap.empty()) {
    s.SetFlag(product_flag::kBackgroundBitmap, true);
    // A bitmap given without a size would never show: the whole area then.
    s.BitmapSize = 100;
  }
  if (background.Number("bitmap_size", 0, 100, &number)) s.BitmapSize = static_cast<int32_t>(number);
  if (background.Choice("bitmap_stretch", {"stretch", "fit", "centre", "tile"}, &choice)) s.StretchMode = choice;
  background.RejectUnknown();
}

// An ".ico" file for the branding, checked as the program will carry it.
String ReadIconFile(Table& branding, const fs::path& base, const std::string& key) {
  std::string path;
  if (!branding.Text(key, &path) || path.empty()) return String();
  String icon = ReadBinaryFile(base / path, branding.At(key));
  std::string reason;
  if (!CheckIconFile(icon, &reason)) Throw(branding.At(key), "\"" + path + "\": " + reason + "; give an .ico file");
  return icon;
}

void ReadBranding(Table branding, const fs::path& base, Product* out) {
  Branding& b = out->branding;
  b.installer_icon = ReadIconFile(branding, base, "icon");
  b.product_icon = ReadIconFile(branding, base, "product_icon");
  b.uninstaller_icon = ReadIconFile(branding, base, "uninstaller_icon");
  if (b.product_icon.empty()) b.product_icon = b.installer_icon;
  if (b.uninstaller_icon.empty()) b.uninstaller_icon = b.installer_icon;
  SetTexts(branding, {{"copyright", &b.copyright}});
  b.side_picture = ReadBitmapFile(branding, base, "side_picture");
  b.banner = ReadBitmapFile(branding, base, "banner");
  b.full_picture = ReadBitmapFile(branding, base, "full_picture");
  b.next_button = ReadBitmapFile(branding, base, "next_button_image");
  b.cancel_button = ReadBitmapFile(branding, base, "cancel_button_image");
  b.browse_button = ReadBitmapFile(branding, base, "browse_button_image");
  // Images given are meant to be seen; [wizard] button_images may still say no.
  if (!b.next_button.empty() || !b.cancel_button.empty() || !b.browse_button.empty()) {
    out->settings.SetFlag2(product_flag2::kButtonImages, true);
  }
  branding.RejectUnknown();
}

void ReadFinish(Table finish, Product* out) {
  ProductSettings& s = out->settings;
  SetTexts(finish, {{"run", &s.FinishProgram},
                    {"document", &s.FinishDocument},
                    {"second_document", &s.FinishDocument2}});
  SetFlags(finish, &s, {{"run_checked", product_flag2::kFinishRunChecked, FlagKey::kFlags2},
                        {"document_checked", product_flag2::kFinishDocumentChecked, FlagKey::kFlags2},
                        {"second_document_checked", product_flag2::kFinishDocument2Checked, FlagKey::kFlags2},
                        {"view_log", product_flag::kFinishViewLog}});
  finish.RejectUnknown();
}

void AddUninstallValue(const std::string& name, int type, const String& text, ProductSettings* s) {
  static constexpr uint8_t kTypes[] = {UninstallValue::kString, UninstallValue::kExpandString,
                                       UninstallValue::kDword};
  UninstallValue value;
  value.name = String(name.c_str());
  value.type = kTypes[type];
  value.text = text;
  s->UninstallValues.Add(value);
}

// [[uninstall.value]]: name (a backslash makes a subkey), type, data.
void ReadUninstallValue(Table& value, ProductSettings* s) {
  std::string name, data;
  if (!value.Text("name", &name) || name.empty() || !IsAscii(name)) {
    Throw(value.At("name"), "the value's name, in ASCII (\"Sub\\\\Name\" puts it in a subkey)");
  }
  int type = 0;
  value.Choice("type", {"string", "expandable", "dword"}, &type);
  value.Text("data", &data);
  if (type == 2 && (data.empty() || data.find_first_not_of("0123456789") != std::string::npos || data.size() > 10 ||
                    std::stoull(data) > 0xFFFFFFFFull)) {
    Throw(value.At("data"), "a dword value's data is a whole number from 0 to 4294967295, as text");
  }
  value.RejectUnknown();
  AddUninstallValue(name, type, Wide(data), s);
}

// A TOML text's line ends as batch files want them.
std::string CrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
    out += c;
  }
  return out;
}

// The uninstaller's own options: its batches, the programs it closes, the
// files it deletes by pattern, and what it keeps.
void ReadRemovalOptions(Table& uninstall, Product* out) {
  ProductSettings& s = out->settings;
  std::string text;
  if (uninstall.Text("batch_before", &text)) s.UninstallBatch1 = Wide(CrLf(text));
  if (uninstall.Text("batch_after", &text)) s.UninstallBatch2 = Wide(CrLf(text));
  SetFlags(uninstall, &s, {{"batch_before_hidden", product_flag::kHideUninstallBatch1},
                           {"batch_after_hidden", product_flag::kHideUninstallBatch2},
                           {"keep_log", product_flag::kUninstallKeepsLog},
                           {"delete_folder_with_contents", product_flag::kDeleteFolderWithContents},
                           {"completion_message", product_flag2::kUninstallCompletionMessage, FlagKey::kFlags2}});
  SetTexts(uninstall, {{"support_offer", &s.SupportOffer}});
  for (Table& rule : uninstall.Each("close")) {
    CloseRule& r = s.ProgramsToClose.Emplace();
    if (rule.Text("window_class", &text)) r.window_class = String(text.c_str());
    if (rule.Text("window_title", &text)) r.window_title = String(text.c_str());
    if (rule.Text("program", &text)) r.display_name = String(text.c_str());
    int action = 0;
    if (rule.Choice("action", {"close", "quit", "ask", "terminate"}, &action)) r.action = static_cast<uint8_t>(action);
    if (r.window_class.empty() && r.window_title.empty()) {
      Throw(rule.At("window_title"), "a rule needs a window title or class to match");
    }
    rule.RejectUnknown();
  }
  for (Table& entry : uninstall.Each("delete")) {
    FileDeletion& d = s.FileDeletions.Emplace();
    if (!entry.Text("pattern", &text) || text.empty()) Throw(entry.At("pattern"), "the files to delete");
    d.name = String(text.c_str());
    int when = 0;
    entry.Choice("when", {"uninstall", "install", "both"}, &when);
    d.flags = when == 0 ? FileDeletion::kAtUninstall : when == 1 ? FileDeletion::kAtInstall
                                                                 : FileDeletion::kAtInstall | FileDeletion::kAtUninstall;
    int condition = 0;
    if (entry.Choice("condition", {"always", "date-equals", "date-since", "date-until", "size-equals",
                                   "size-at-least", "size-at-most"},
                     &condition)) {
      d.mode = static_cast<uint8_t>(condition);
    }
    if (entry.Text("value", &text)) d.path = String(text.c_str());
    bool flag = false;
    if (entry.Flag("at_restart", &flag) && flag) d.flags |= deletion_flag::kAtRestartOnly;
    if (entry.Flag("at_restart_on_failure", &flag) && flag) d.flags |= deletion_flag::kAtRestartOnFailure;
    entry.RejectUnknown();
  }
}

void ReadUninstall(Table uninstall, Product* out) {
  ProductSettings& s = out->settings;
  SetFlags(uninstall, &s, {{"enabled", product_flag::kDetectInstallation},
                           {"start_menu_shortcut", product_flag::kUninstallStartMenuShortcut},
                           {"desktop_shortcut", product_flag::kUninstallDesktopShortcut},
                           {"keep_install_log", product_flag::kKeepInstallLog},
                           {"check_version", product_flag::kCheckInstalledVersion}});
  // Values of the product's Uninstall entry beyond the standard ones.
  const struct {
    const char* key;
    const char* value_name;
  } links[] = {{"about_url", "URLInfoAbout"}, {"help_url", "HelpLink"}, {"update_url", "URLUpdateInfo"},
               {"help_telephone", "HelpTelephone"}, {"contact", "Contact"}, {"comments", "Comments"}};
  for (const auto& link : links) {
    std::string text;
    if (uninstall.Text(link.key, &text) && !text.empty()) AddUninstallValue(link.value_name, 0, Wide(text), &s);
  }
  for (Table& value : uninstall.Each("value")) ReadUninstallValue(value, &s);
  ReadRemovalOptions(uninstall, out);
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
  ComponentOptions component;
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
    if (file.Choice("kind", {"install", "shared", "font", "startup", "system", "versioned", "com", "type-library",
                             "driver", "msi", "control-panel"},
                    &choice)) {
      const uint32_t kinds[] = {entry_kind::kInstallFolder, entry_kind::kSharedFolder, entry_kind::kFont,
                                entry_kind::kStartup,       entry_kind::kSystem,       entry_kind::kVersioned};
      const int plain = static_cast<int>(sizeof kinds / sizeof kinds[0]);
      o.kind = choice < plain ? kinds[choice] : ComponentKind(choice - plain);
    }
    ReadComponentOptions(file, o.kind, &o.component);
    file.Flag("permanent", &o.permanent);
    bool readonly = false, hidden = false;
    file.Flag("readonly", &readonly);
    file.Flag("hidden", &hidden);
    if (readonly || hidden) o.attributes = (readonly ? 0x1u : 0u) | (hidden ? 0x2u : 0u);
    if (file.Text("destination", &o.destination)) {
      for (const std::string& part : {std::string("/../"), std::string("\\..\\")}) {
        const std::string padded = std::string(1, part[0]) + o.destination + part[0];
        if (padded.find(part) != std::string::npos) {
          Throw(file.At("destination"), "\"..\" would place the file outside its folder; name the folder itself");
        }
      }
    }
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
  // Reproducible builds: no file is dated after SOURCE_DATE_EPOCH, so two
  // checkouts of the same commit (each file dated by its checkout) agree.
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
    char* end = nullptr;
    const long long limit = std::strtoll(epoch, &end, 10);
    if (*end == '\0' && limit >= 0 && seconds > limit) seconds = static_cast<std::time_t>(limit);
  }
  std::tm utc;
  if (!gmtime_r(&seconds, &utc)) return;
  const int32_t date[6] = {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec};
  std::memcpy(entry->date, date, sizeof date);
}


// Marks the patterns that match in *used.
bool Matches(const std::vector<std::string>& patterns, const std::string& relative, std::vector<bool>* used) {
  bool matched = false;
  for (size_t i = 0; i < patterns.size(); ++i) {
    // '*' also crosses folders: "*.pdb" leaves out every .pdb file.
    if (fnmatch(patterns[i].c_str(), relative.c_str(), 0) == 0) matched = (*used)[i] = true;
  }
  return matched;
}

// The refusals that keep a product's files installable as named: Windows
// names, names that differ only in case, the manifest inside its own files.
void CheckFileNames(const std::vector<std::string>& relatives, const fs::path& folder, const std::string& manifest,
                    const Origin& origin) {
  std::map<std::u16string, std::string> folded;
  std::error_code error;
  for (const std::string& relative : relatives) {
    const std::string problem = WindowsPathProblem(relative, "/");
    if (!problem.empty()) Throw(origin, "\"" + relative + "\" cannot be installed on Windows: " + problem);
    auto [other, added] = folded.emplace(CaseFoldedPath(relative), relative);
    if (!added) {
      Throw(origin, "\"" + other->second + "\" and \"" + relative +
                        "\" differ only in case, and one would overwrite the other on Windows; rename one");
    }
    if (fs::equivalent(folder / relative, manifest, error)) {
      Throw(origin, "the folder holds the manifest itself; keep the manifest beside the files' folder");
    }
  }
}

void ReadFiles(Table& root, const fs::path& base, const std::string& manifest, Product* out) {
  Table files = root.Sub("files");
  std::string source;
  if (!files.Text("source", &source) || source.empty()) {
    Throw(files.present() ? files.At("source") : root.At("files"), "the folder that holds the product's files");
  }
  std::vector<std::string> exclude;
  files.TextList("exclude", &exclude);
  int dates = 0;
  files.Choice("dates", {"modified", "none"}, &dates);
  bool allow_empty = false;
  files.Flag("allow_empty", &allow_empty);
  files.RejectUnknown();
  std::map<std::string, FileOptions> options = ReadFileOptions(root);
  std::map<std::string, ShortcutOptions> shortcuts = ReadShortcuts(root);

  const fs::path folder = base / source;
  std::error_code error;
  if (!fs::is_directory(folder, error)) Throw(files.At("source"), "\"" + folder.string() + "\" is not a folder");
  std::vector<std::string> relatives;
  std::vector<bool> used(exclude.size(), false);
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file()) continue;
    std::string relative = fs::relative(it->path(), folder).generic_string();
    if (!Matches(exclude, relative, &used)) {
      relatives.push_back(relative);
    } else {
      out->excluded.push_back(relative);
    }
  }
  if (error) Throw(files.At("source"), "cannot list \"" + folder.string() + "\": " + error.message());
  // Directory order differs between systems; name order keeps builds identical.
  std::sort(relatives.begin(), relatives.end());
  std::sort(out->excluded.begin(), out->excluded.end());
  for (size_t i = 0; i < exclude.size(); ++i) {
    if (!used[i]) out->warnings.push_back(Describe(files.At("exclude")) + ": \"" + exclude[i] + "\" matches no file");
  }
  CheckFileNames(relatives, folder, manifest, files.At("source"));
  if (relatives.empty() && !allow_empty) {
    Throw(files.At("source"), "\"" + folder.string() +
                                  "\" holds no files to package; add them, or set allow_empty = true when an "
                                  "installer without files is meant");
  }
  out->source_folder = folder.string();

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
      ApplyComponentOptions(o->second.component, entry.kind, &entry);
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
// their place, before the reader sees them.
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
uninstall_key = ""              # name under the Windows Uninstall key; default: the
                                #   name (at most 255 characters)
registry_key = ""               # Software\<this> is removed on uninstall
uninstall_subfolder = ""        # install-folder subfolder for the uninstaller
window_title = "<product> Setup"
shared_folder = ""              # default: the publisher, else the name
password = ""                   # non-empty: the password page is shown (at most 64)
no_downgrade_below = ""         # installed versions from this one on refuse older
                                #   ones (Uninstall value "NoDowngradeBelow")
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

[branding]                      # the installer's look in Explorer and in Windows' list of
                                #   programs; its version record also takes [product] name
                                #   ("ProductName"), publisher ("CompanyName"), version
                                #   ("ProductVersion" and the fixed product version) and
                                #   description ("FileDescription")
icon = ""                       # an .ico file: the installer's icon (its first icon group)
product_icon = ""               # default: icon; "product.ico" in the uninstall folder,
                                #   shown by the Uninstall value "DisplayIcon"
uninstaller_icon = ""           # default: icon; the uninstaller's icon group, and
                                #   "uninstall.ico" in the uninstall folder for its shortcuts
copyright = ""                  # version record "LegalCopyright"
side_picture = ""               # a .bmp file (uncompressed rows, up to 4096 x 4096 pixels):
                                #   the picture left of "side" and "full" style pages,
                                #   resource ZBITMAP 2 of installer and uninstaller; drawn
                                #   to fill 86 x 172 dialog units (about 1:2)
banner = ""                     # likewise: the banner across "banner" style pages,
                                #   resource ZBITMAP 3; 280 x 26 dialog units (about 6:1)
full_picture = ""               # likewise: the picture behind "full" style pages,
                                #   resource ZBITMAP 7; 194 x 180 dialog units
next_button_image = ""          # a .bmp file (as side_picture): the image on the Next button,
                                #   resource ZBITMAP 4; drawn at 10 x 10 pixels (96 DPI).
                                #   Giving any button image turns [wizard] button_images on
cancel_button_image = ""        # likewise on Cancel, resource ZBITMAP 5
browse_button_image = ""        # likewise on the folder pages' browse button, ZBITMAP 6
                                # the background window's bitmap: [background] bitmap

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
button_images = false           # images on Next, Cancel and browse (ProductFlags2 bit 10):
                                #   ours, or [branding] next_button_image and the others
progress_position = "centre"    # where the progress page opens (package settings field 6),
                                #   over the background window when it is shown, else the
                                #   screen: "top-left", "top-centre", "top-right",
                                #   "bottom-left", "bottom-centre", "bottom-right"
status_time = 0                 # milliseconds each progress text stays (0..9999)
license = []                    # UTF-8 text files, one licence page each (up to 20)
readme = []                     # likewise, one readme page each
style = "side"                  # every page: "side" (picture), "plain", "banner", "full"
link = ""                       # an address: the greeting page shows message 105 as its link
greeting_sound = ""             # a .wav file played as the greeting opens
side_picture_frame = "none"     # "sunken", "border", "sunken-on-side-pages"
[wizard.styles]                 # one page: greeting, language, license, readme,
license = "banner"              #   folder, start_menu, progress, finish

[background]                    # the window behind the pages (background_window = true)
taskbar_text = ""               # its taskbar button; painted when title is blank
title = ""
title_font = "Tahoma"
title_size = 100                # percent of 26 points
title_color = "#FFFFFF"
title_shadow = 0                # shadow depth, 0: none
title_position = "none"         # "top-left", "top-centre", "top-right", "bottom-left", ...
top_color = "#000080"           # a vertical gradient; equal colours paint one plain colour
bottom_color = "#000080"
copyright = ""
copyright_font = "Tahoma"
copyright_size = 100            # percent of 16 points
copyright_color = "#FFFFFF"
copyright_position = "none"     # as title_position
bitmap = ""                     # a .bmp file (as side_picture): package settings field 40,
                                #   ProductFlags bit 15; kept for the uninstaller
bitmap_size = 0                 # percent of the window the bitmap takes ("BitmapSize", 0:
                                #   hidden); 100 when a bitmap is given without it
bitmap_stretch = "stretch"      # "StretchMode": "fit" (keeping its shape), "centre" (natural
                                #   size), "tile" (the whole window, natural size)

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
about_url = ""                  # Uninstall entry value "URLInfoAbout"
help_url = ""                   # "HelpLink"
update_url = ""                 # "URLUpdateInfo"
help_telephone = ""             # "HelpTelephone"
contact = ""                    # "Contact"
comments = ""                   # "Comments"
[[uninstall.value]]             # any other value of the product's Uninstall entry
name = "Sub\\Name"              # a backslash puts the value in a subkey
type = "string"                 # "string", "expandable" or "dword"
data = "%InstallDir%\\help.chm"  # variables are expanded; empty or 0 deletes the value
keep_log = false                # the uninstaller keeps Install.log
delete_folder_with_contents = false  # the uninstaller also removes what users left
completion_message = false      # a message when the uninstall has succeeded
support_offer = ""              # an address offered before anything is removed
batch_before = ""               # commands run before removal; they see %InstallDir%,
                                #   %UninstallDir%, %SharedDir% and %ProductName%
batch_after = ""                # commands run after a successful removal
batch_before_hidden = false     # without a console window (PAUSE lines are dropped)
batch_after_hidden = false

[[uninstall.close]]             # programs closed before removal (any number)
window_title = "*My Tool"       # exact, or "*" and a part the title contains
window_class = ""               # the same for the window class
program = "My Tool"             # its name in the question
action = "ask"                  # close | quit | ask | terminate

[[uninstall.delete]]            # files deleted by pattern (any number)
pattern = "logs\\*.log"          # relative to the install folder, %Variables% allowed
when = "uninstall"              # uninstall | install | both
condition = "always"            # always | date-equals | date-since | date-until |
                                #   size-equals | size-at-least | size-at-most
value = ""                      # "2024/03/05 07:08:10" or a size in bytes
at_restart = false              # never now: at the next restart
at_restart_on_failure = false   # at the next restart when it cannot go now

[files]
source = "files"                # required; every file below it is installed,
                                #   keeping its subfolders, in name order
exclude = []                    # patterns: "*.pdb", "docs/drafts/*"
dates = "modified"              # each file's modification time (UTC), or "none";
                                #   never after SOURCE_DATE_EPOCH when that is set
allow_empty = false             # an installer without files is meant

[[file]]                        # options of one file, by its path in source
path = "bin/tool.dll"
kind = "install"                # "install", "shared", "font", "startup", "system", "versioned",
                                #   or a component kind ([actions] below)
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
