// The installer's look: [wizard], [background], [branding] and [finish], and
// the files they name (texts, bitmaps, icons, a sound), each checked as the
// installer will use it.
#include "builder/manifest_sections.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "builder/branding.h"
#include "builder/file_names.h"
#include "core/codepage.h"

namespace fs = std::filesystem;

namespace manifest_reading {

namespace {

// Page styles by name, in the order of their stored values.
constexpr std::initializer_list<const char*> kStyleNames = {"plain", "side", "banner", "full"};

// A text file for a licence or readme page: UTF-8 (a byte-order mark is
// dropped) or UTF-16 with its byte-order mark, shown as UTF-16, with CR LF line breaks, which an edit control
// needs to show lines.
String ReadTextFile(const fs::path& path, const Origin& origin) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Throw(origin, "cannot read \"" + path.string() + "\"");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // UTF-16 with its byte-order mark, as Notepad saves "Unicode", is
  // unambiguous: taken as it is.
  const bool little = bytes.compare(0, 2, "\xFF\xFE") == 0, big = bytes.compare(0, 2, "\xFE\xFF") == 0;
  if ((little || big) && bytes.size() % 2 == 0) {
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto at = [&](size_t k) { return static_cast<char16_t>(static_cast<unsigned char>(bytes[k])); };
      units += static_cast<char16_t>(little ? at(i) | at(i + 1) << 8 : at(i) << 8 | at(i + 1));
    }
    String text;
    text.AssignW(units.data(), static_cast<int32_t>(units.size()));
    NormalizeLineBreaks(text);
    return text;
  }
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

// A file the package carries as it is, checked as the program will use it:
// a bitmap or an icon. Empty when the key is not given.
struct CheckedKind {
  bool (*check)(const String& bytes, std::string* error);
  const char* hint;  // how to mend a refused file
};
constexpr CheckedKind kBitmapFile = {&CheckBitmapFile, "give a .bmp file"};
constexpr CheckedKind kIconFile = {&CheckIconFile, "give an .ico file"};

String ReadCheckedFile(Table& table, const fs::path& base, const std::string& key, const CheckedKind& kind) {
  std::string path;
  if (!table.Text(key, &path) || path.empty()) return String();
  String bytes = ReadBinaryFile(base / path, table.At(key));
  std::string reason;
  if (!kind.check(bytes, &reason)) Throw(table.At(key), "\"" + path + "\": " + reason + "; " + kind.hint);
  return bytes;
}

}  // namespace

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
  s.BackgroundBitmap = ReadCheckedFile(background, base, "bitmap", kBitmapFile);
  if (!s.BackgroundBitmap.empty()) {
    s.SetFlag(product_flag::kBackgroundBitmap, true);
    // A bitmap given without a size would never show: the whole area then.
    s.BitmapSize = 100;
  }
  if (background.Number("bitmap_size", 0, 100, &number)) s.BitmapSize = static_cast<int32_t>(number);
  if (background.Choice("bitmap_stretch", {"stretch", "fit", "centre", "tile"}, &choice)) s.StretchMode = choice;
  background.RejectUnknown();
}

void ReadBranding(Table branding, const fs::path& base, Product* out) {
  Branding& b = out->branding;
  b.installer_icon = ReadCheckedFile(branding, base, "icon", kIconFile);
  b.product_icon = ReadCheckedFile(branding, base, "product_icon", kIconFile);
  b.uninstaller_icon = ReadCheckedFile(branding, base, "uninstaller_icon", kIconFile);
  if (b.product_icon.empty()) b.product_icon = b.installer_icon;
  if (b.uninstaller_icon.empty()) b.uninstaller_icon = b.installer_icon;
  SetTexts(branding, {{"copyright", &b.copyright}});
  b.side_picture = ReadCheckedFile(branding, base, "side_picture", kBitmapFile);
  b.banner = ReadCheckedFile(branding, base, "banner", kBitmapFile);
  b.full_picture = ReadCheckedFile(branding, base, "full_picture", kBitmapFile);
  b.next_button = ReadCheckedFile(branding, base, "next_button_image", kBitmapFile);
  b.cancel_button = ReadCheckedFile(branding, base, "cancel_button_image", kBitmapFile);
  b.browse_button = ReadCheckedFile(branding, base, "browse_button_image", kBitmapFile);
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

}  // namespace manifest_reading
