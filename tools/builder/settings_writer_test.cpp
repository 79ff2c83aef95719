// The builder's settings writer against the runtime's reader: every field
// survives the trip, every limit of the settings stage is caught with its
// number, and the values derived after reading follow the product name.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "builder/settings_writer.h"
#include "package/settings_fields.h"
#include "package/settings_reader.h"

namespace {

using namespace settings_codec;

String W(const char16_t* text) { return String(text); }
String N(const char* text) { return String(text); }
std::u16string Text(const String& wide) { return std::u16string(wide.w_str(), wide.wlength()); }

// ---- Field-by-field equality, expanded from the same lists as the codecs.

bool Same(const String& a, const String& b) { return a == b; }
template <class T>
  requires std::is_arithmetic_v<T>
bool Same(T a, T b) {
  return std::memcmp(&a, &b, sizeof a) == 0;  // exact, also for doubles
}
template <class T, size_t N>
bool Same(const std::array<T, N>& a, const std::array<T, N>& b) {
  for (size_t i = 0; i < N; ++i) {
    if (!Same(a[i], b[i])) return false;
  }
  return true;
}
bool Same(const FileDeletion& a, const FileDeletion& b);
bool Same(const ShortcutRecord& a, const ShortcutRecord& b);
bool Same(const AssociationRecord& a, const AssociationRecord& b);
bool Same(const UninstallValue& a, const UninstallValue& b);
bool Same(const CloseRule& a, const CloseRule& b);
template <class T>
bool Same(const Vector<T>& a, const Vector<T>& b) {
  if (a.Count() != b.Count()) return false;
  for (int32_t i = 0; i < a.Count(); ++i) {
    if (!Same(a[i], b[i])) return false;
  }
  return true;
}
bool Same(const LanguageTable& a, const LanguageTable& b) {
  return Same(a.names, b.names) && Same(a.messages, b.messages);
}

#define BX_SAME_MEMBER(member, codec) &&Same(a.member, b.member)
bool Same(const FileDeletion& a, const FileDeletion& b) {
  return true BX_FILE_DELETION_FIELDS(BX_SAME_MEMBER);
}
bool Same(const ShortcutRecord& a, const ShortcutRecord& b) {
  return true BX_SHORTCUT_RECORD_FIELDS(BX_SAME_MEMBER);
}
bool Same(const AssociationRecord& a, const AssociationRecord& b) {
  return true BX_ASSOCIATION_RECORD_FIELDS(BX_SAME_MEMBER);
}
bool Same(const UninstallValue& a, const UninstallValue& b) {
  return true BX_UNINSTALL_VALUE_FIELDS(BX_SAME_MEMBER);
}
bool Same(const CloseRule& a, const CloseRule& b) {
  return true BX_CLOSE_RULE_FIELDS(BX_SAME_MEMBER);
}
#undef BX_SAME_MEMBER

// Names of the stored items whose values differ between two records.
std::vector<std::string> Differences(const ProductSettings& s1, const LanguageTable& l1,
                                     const ProductSettings& s2, const LanguageTable& l2) {
  std::vector<std::string> names;
  // `item` evaluates the field's target expression on either record.
#define BX_DIFF_FIELD(number, name, target, codec, when, low, high, error)         \
  {                                                                               \
    auto item = [](const ProductSettings& s, const LanguageTable& l) -> auto& {  \
      (void)s;                                                                    \
      (void)l;                                                                    \
      return target;                                                              \
    };                                                                            \
    if (!Same(item(s1, l1), item(s2, l2))) names.push_back(#name);                \
  }
  BX_SETTINGS_FIELDS(BX_DIFF_FIELD)
#undef BX_DIFF_FIELD
  return names;
}

// ---- A record in which every stored field holds something other than its default.

String Bytes(size_t length, uint8_t seed) {
  String bytes;
  for (size_t i = 0; i < length; ++i) bytes.Append(static_cast<char>(seed + i * 7));
  return bytes;
}

void FullRecord(ProductSettings& s, LanguageTable& l) {
  s = ProductSettings();
  l = LanguageTable();
  s.ProductFlags = uint64_t{1} << product_flag::kDetectInstallation |
                   uint64_t{1} << product_flag::kRequiresProduct | uint64_t{1} << 63 | 0x80;
  s.AutomaticMode = 2;
  s.TaskbarText = W(u"Widget Setup");
  s.DisplayTitle = W(u"Widget \u2122 2024");
  s.TitleSize = 24.5;
  s.ProgressPlacement = -3;
  s.MinStatusTime = 9999;
  s.ShortcutMode = 1;
  s.ProductDate = {2024, 3, 5, 7, 8, 9};
  s.Publisher = W(u"Acme");
  s.DisplayName = W(u"Widget");
  s.Description = W(u"Widget Pro");
  s.Bitness = 1;
  s.SharedBase = 3;
  s.SharedPath = W(u"Acme Shared");
  s.SharedSubfolder = W(u"shared");
  s.ProductStartMenu = W(u"Acme\\Widget");
  s.DisplayVersion = W(u"2.1a");
  s.DefaultInstallDir = W(u"Acme\\Widget");
  s.ProductRegistry = W(u"Acme\\Widget");
  s.RegistryEntries = W(u"HKLM\\Software\\Acme,Path,1,%InstallDir%,1\r\n");
  s.RegistryMerge = W(u"REGEDIT4\r\n");
  s.BitmapSize = 100;
  s.StretchMode = 4;
  s.GreetingLink = W(u"https://example.com/");
  s.LicenseTexts.Add(W(u"EULA one"));
  s.LicenseTexts.Add(W(u"EULA two"));
  s.ReadmeTexts.Add(W(u"Read me"));
  s.UninstallSubdir = W(u"uninstall");
  s.Reserved2 = N("r2");
  s.UninstallKeyName = W(u"WidgetKey");
  s.InstallLocationSource = N("HKLM\\Software\\Acme\\Path");
  s.WindowTitle = W(u"<product> Setup on <os>");
  s.SidePictureFrame = 3;
  s.TitleColor = 0x00FFEEDD;
  s.TitleShadow = 1;
  s.TitlePosition = 2;
  s.TitleFont = N("Tahoma");
  s.TopColor = 0x00112233;
  s.BottomColor = 0x00445566;
  s.BackgroundBitmap = Bytes(300, 0x42);
  s.BitmapTPI = 96;
  s.CopyrightPos = 2;
  s.CopyrightColor = 0x00808080;
  s.CopyrightSize = 9.75;
  s.CopyrightText = W(u"(c) Acme");
  s.CopyrightFont = W(u"Arial");
  s.RequiredProductKey = W(u"RuntimeKey");
  s.RequiredProductName = W(u"Runtime");
  s.RequiredProductVersion = W(u"1.0");
  s.GreetingSound = Bytes(70000, 1);  // needs the 6-byte packed length
  s.DesktopFolder = W(u"Widget Folder");
  s.InstallActionSettings = W(u"r3");
  s.PreInstallBatch = W(u"echo pre");
  s.PostInstallBatch = W(u"echo post");
  s.ExitBatch = W(u"echo exit");
  s.UninstallBatch1 = W(u"echo u1");
  s.UninstallBatch2 = W(u"echo u2");
  s.UpgradeBatch = W(u"echo upgrade");
  s.ReinstallBatch = W(u"echo reinstall");
  for (size_t i = 0; i < s.ReservedBytes.size(); ++i) s.ReservedBytes[i] = static_cast<uint8_t>(i + 1);
  s.ExcludedSystems = 0x30;
  s.FileDataOutside = 1;
  s.FinishProgram = W(u"\"%InstallDir%\\widget.exe\" /first");
  s.FinishDocument = W(u"readme.html");
  s.FinishDocument2 = W(u"notes.txt");
  s.LaunchNotifyURL = W(u"https://example.com/launch?v=%version%");
  s.StartNotifyURL = W(u"https://example.com/start");
  s.InstallNotifyURL = W(u"https://example.com/install");
  s.UpgradeNotifyURL = W(u"https://example.com/upgrade");
  s.DowngradeNotifyURL = W(u"https://example.com/downgrade");
  s.ReinstallNotifyURL = W(u"https://example.com/reinstall");
  s.NotifyURL = W(u"https://example.com/uninstall");
  s.LinkNotifyURL = W(u"https://example.com/link");
  s.Reserved6 = N("r6");
  s.NoDowngradeBelow = W(u"1.5");
  s.InstallPassword = W(u"s3cret");
  s.MustUninstallVersion = W(u"1.0");
  s.Reserved7 = W(u"r7");
  s.Reserved8 = W(u"r8");
  s.ExtraSpace = 0x0000000123456789ull;
  s.PageStyles = {0, 1, 2, 3, 0, 1, 2, 3};
  s.ExtraText = W(u"extra");
  s.FileDeletions.Add({N("*.tmp"), 1, N("2024/01/01"), FileDeletion::kAtUninstall});
  s.FileDeletions.Add({N("old\\*.dll"), 2, N("1.0"), FileDeletion::kAtInstall});
  ShortcutRecord shortcut;
  shortcut.flags = 0x13;
  for (size_t i = 0; i < shortcut.texts.size(); ++i) shortcut.texts[i] = N("text");
  shortcut.texts[5] = N("last");
  shortcut.wide_text = W(u"\u00C9cran");
  shortcut.narrow_text = N("narrow");
  s.Shortcuts.Add(shortcut);
  AssociationRecord association;
  association.extension = N(".wid");
  association.description = W(u"Widget D\u00F6cument \u4E2D");  // stored as UTF-8
  association.verb = N("open");
  association.verb_label = W(u"&Open");
  association.command = N("\"%InstallDir%\\widget.exe\" \"%1\"");
  association.mode = 1;
  association.unused1 = 2;
  association.unused2 = 3;
  association.prog_id = N("English");
  association.unused3 = 4;
  association.unused4 = 5;
  s.Associations.Add(association);
  s.Reserved10 = W(u"r10");
  s.Reserved11 = W(u"r11");
  s.Reserved12 = W(u"r12");
  s.Reserved13 = W(u"r13");
  s.UninstallValues.Add({N("HelpLink"), UninstallValue::kString, W(u"https://example.com/help")});
  s.UninstallValues.Add({N("Sub\\Count"), UninstallValue::kDword, W(u"7")});
  s.SupportOffer = W(u"Support");
  s.Reserved14 = W(u"r14");
  s.ProgramsToClose.Add({N("WidgetWnd"), N("*Widget"), N("Widget"), 3, 2});

  l.names.Add(W(u"Deutsch"));
  l.names.Add(W(u"English"));
  for (int m = 0; m < 120; ++m) {
    for (int lang = 0; lang < 2; ++lang) {
      std::u16string text = (lang ? u"Message " : u"Meldung ") +
                            std::u16string(1, static_cast<char16_t>(u'A' + m % 26));
      l.messages.Add(String(text.c_str()));
    }
  }
  l.messages[0] = W(u"Deutsch <product>");
  l.messages[1] = W(u"Install <product>\r\nfrom <description>");
}

String Write(const ProductSettings& s, const LanguageTable& l) {
  String block;
  EXPECT_TRUE(WriteSettings(s, l, &block));
  return block;
}

CorruptCode Read(const String& block, ProductSettings* s, LanguageTable* l,
                 const SettingsReadOptions& options = {}) {
  return ReadSettings(block.bytes(), static_cast<size_t>(block.length()), options, s, l);
}

// ---- Round trip.

TEST(SettingsRoundTrip, EveryFieldSurvives) {
  ProductSettings full;
  LanguageTable full_languages;
  FullRecord(full, full_languages);

  // The sample must hold a non-default value in every stored item.
  std::vector<std::string> unchanged;
  std::vector<std::string> differing =
      Differences(full, full_languages, ProductSettings(), LanguageTable());
  for (const SettingsFieldInfo& field : kSettingsFields) {
    bool found = false;
    for (const std::string& name : differing) found = found || name == field.name;
    if (!found && std::string(field.name) != "EndMarker") unchanged.push_back(field.name);
  }
  EXPECT_TRUE(unchanged.empty()) << "sample leaves at default: " << unchanged.front();

  String block = Write(full, full_languages);
  ProductSettings read;
  LanguageTable read_languages;
  SettingsStream in(block.bytes(), static_cast<size_t>(block.length()));
  ASSERT_EQ(DecodeSettingsFields(in, read, read_languages), kCorruptNone);
  EXPECT_TRUE(in.at_end());
  EXPECT_FALSE(in.failed());
  std::vector<std::string> lost = Differences(full, full_languages, read, read_languages);
  EXPECT_TRUE(lost.empty()) << "changed on the way: " << lost.front();

  // Writing what was read gives the same bytes.
  EXPECT_TRUE(Write(read, read_languages) == block);
  EXPECT_EQ(CheckSettingsLimits(full, full_languages), kCorruptNone);
}

TEST(SettingsRoundTrip, ConditionalFieldsAreLeftOutWhenAbsent) {
  ProductSettings full;
  LanguageTable languages;
  FullRecord(full, languages);
  size_t with_all = static_cast<size_t>(Write(full, languages).length());

  ProductSettings s = full;
  s.CopyrightPos = 0;
  s.CopyrightColor = 0;
  s.CopyrightSize = 0;
  s.CopyrightText.Clear();
  s.CopyrightFont.Clear();
  s.BackgroundBitmap.Clear();
  s.BitmapTPI = 0;
  s.SetFlag(product_flag::kRequiresProduct, false);
  s.RequiredProductKey.Clear();
  s.RequiredProductName.Clear();
  s.RequiredProductVersion.Clear();
  s.SetFlag(product_flag::kDetectInstallation, false);
  s.ExtraText.Clear();
  String block = Write(s, languages);
  // Present: 4+8+1+(1+16)+(1+10) copyright, 300 bitmap + TPI 4, three texts
  // 1+20, 1+14, 1+6 required product, 4+10 extra text; absent: none of them,
  // while the bitmap length 0 stays.
  EXPECT_EQ(with_all - static_cast<size_t>(block.length()),
            4u + 8 + 17 + 11 + 300 + 4 + 21 + 15 + 7 + 14);

  ProductSettings read;
  LanguageTable read_languages;
  SettingsStream in(block.bytes(), static_cast<size_t>(block.length()));
  ASSERT_EQ(DecodeSettingsFields(in, read, read_languages), kCorruptNone);
  EXPECT_TRUE(Differences(s, languages, read, read_languages).empty());
}

TEST(SettingsRoundTrip, PackedLengthForms) {
  ProductSettings s;
  LanguageTable languages;
  FullRecord(s, languages);
  for (size_t length : {0u, 254u, 255u, 256u, 511u, 65535u, 65536u}) {
    s.RegistryMerge = Bytes(length, 9);
    ProductSettings read;
    LanguageTable read_languages;
    ASSERT_EQ(Read(Write(s, languages), &read, &read_languages), kCorruptNone) << length;
    EXPECT_TRUE(read.RegistryMerge == s.RegistryMerge) << length;
  }
}

TEST(SettingsWriter, RefusesTextsItsEncodingCannotHold) {
  ProductSettings s;
  LanguageTable languages;
  FullRecord(s, languages);
  String out = N("kept");

  ProductSettings zero_inside = s;
  zero_inside.TitleFont = String("Ta\0ma", 5);
  EXPECT_FALSE(WriteSettings(zero_inside, languages, &out));
  ProductSettings too_long = s;
  too_long.NoDowngradeBelow = Bytes(256, 0);
  EXPECT_FALSE(WriteSettings(too_long, languages, &out));
  ProductSettings odd_wide = s;
  odd_wide.WindowTitle = String("abc", 3);
  EXPECT_FALSE(WriteSettings(odd_wide, languages, &out));
  EXPECT_EQ(std::string(out.c_str(), out.length()), "kept");
}

// ---- Every limit of the settings stage, crafted through the writer.

// Puts `value` into an item as its count or value; false when the item's
// type cannot hold it.
template <class Codec, class T>
bool Force(Codec, T& target, int64_t value) {
  if constexpr (std::is_integral_v<T>) {
    if (static_cast<int64_t>(static_cast<T>(value)) != value) return false;
    target = static_cast<T>(value);
    return true;
  } else {
    return false;  // no limit to breach
  }
}
template <class Codec, class T>
bool Force(Codec, Vector<T>& target, int64_t value) {
  if (value < 0) return false;
  target.Resize(static_cast<int32_t>(value));
  return true;
}
bool Force(MessageCount, LanguageTable& table, int64_t value) {
  if (value < 0) return false;
  table.messages.Resize(static_cast<int32_t>(value * table.names.Count()));
  return true;
}

TEST(SettingsLimits, EachBreachGivesItsNumber) {
  int breaches = 0;
#define BX_BREACH_FIELD(number, name, target, codec, when, low, high, error)          \
  if (FieldLimit{low, high, error}.checked()) {                                      \
    for (int64_t value : {int64_t{low} - 1, int64_t{high} + 1}) {                    \
      ProductSettings s;                                                             \
      LanguageTable l;                                                               \
      FullRecord(s, l);                                                              \
      if (!Force(codec{}, target, value)) continue;                                  \
      ++breaches;                                                                    \
      EXPECT_EQ(CheckSettingsLimits(s, l), error) << #name << " = " << value;        \
      ProductSettings read;                                                          \
      LanguageTable read_languages;                                                  \
      EXPECT_EQ(Read(Write(s, l), &read, &read_languages), error)                    \
          << #name << " = " << value;                                                \
    }                                                                                \
  }
  BX_SETTINGS_FIELDS(BX_BREACH_FIELD)
#undef BX_BREACH_FIELD
  // Above the top for all twelve; below the bottom where the type can hold
  // it (the percentage, both language-table counts and the end marker).
  EXPECT_EQ(breaches, 12 + 4);
}

TEST(SettingsLimits, BoundaryValuesAreAccepted) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  s.BitmapSize = 0;
  s.MinStatusTime = 0;
  for (int i = 0; i < 18; ++i) s.LicenseTexts.Add(W(u"more"));
  ASSERT_EQ(s.LicenseTexts.Count(), 20);
  for (int i = 0; i < 998; ++i) s.FileDeletions.Add({N("x"), 0, N(""), 0});
  ASSERT_EQ(s.FileDeletions.Count(), 1000);
  s.ProgramsToClose.Resize(1000);
  s.UninstallValues.Resize(1000);
  s.Shortcuts.Resize(1000);
  s.Associations.Resize(1000);
  EXPECT_EQ(CheckSettingsLimits(s, l), kCorruptNone);
  ProductSettings read;
  LanguageTable read_languages;
  ASSERT_EQ(Read(Write(s, l), &read, &read_languages), kCorruptNone);
  EXPECT_EQ(read.FileDeletions.Count(), 1000);
  EXPECT_EQ(read.ProgramsToClose.Count(), 1000);
  EXPECT_EQ(read.LicenseTexts.Count(), 20);
}

TEST(SettingsLimits, LanguageTableExtremes) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  l.names.Resize(200);
  l.messages.Resize(200);  // one message in each of 200 languages
  ProductSettings read;
  LanguageTable read_languages;
  ASSERT_EQ(Read(Write(s, l), &read, &read_languages), kCorruptNone);
  EXPECT_EQ(read_languages.LanguageCount(), 200);
  EXPECT_EQ(read_languages.MessageCount(), 1);

  l.names.Resize(1);
  l.messages.Resize(10000);
  ASSERT_EQ(Read(Write(s, l), &read, &read_languages), kCorruptNone);
  EXPECT_EQ(read_languages.MessageCount(), 10000);
}

TEST(SettingsLimits, UnknownUninstallValueType) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  s.UninstallValues[1].type = 3;
  EXPECT_EQ(CheckSettingsLimits(s, l), kCorruptUninstallValueType);
  ProductSettings read;
  LanguageTable read_languages;
  EXPECT_EQ(Read(Write(s, l), &read, &read_languages), kCorruptUninstallValueType);
  for (uint8_t type : {1, 2, 4}) {
    s.UninstallValues[1].type = type;
    EXPECT_EQ(Read(Write(s, l), &read, &read_languages), kCorruptNone) << int{type};
  }
}

TEST(SettingsLimits, EndMarkerAndTruncation) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  String block = Write(s, l);
  ProductSettings read;
  LanguageTable read_languages;
  ASSERT_EQ(Read(block, &read, &read_languages), kCorruptNone);

  String damaged = block;
  damaged.At(damaged.length() - 1) ^= 0x01;
  EXPECT_EQ(Read(damaged, &read, &read_languages), kCorruptSettingsEndMarker);

  // Cut anywhere: never accepted; cut at the end of the lists, the cut is
  // reported as the missing end marker rather than as an over-long list.
  for (int32_t cut = 0; cut < block.length(); cut += 1 + cut / 50) {
    String shorter(block.c_str(), cut);
    EXPECT_NE(Read(shorter, &read, &read_languages), kCorruptNone) << cut;
  }
  String without_marker(block.c_str(), block.length() - 4);
  EXPECT_EQ(Read(without_marker, &read, &read_languages), kCorruptSettingsEndMarker);

  // Bytes after the end marker are not looked at.
  String longer = block;
  longer.Append("junk");
  EXPECT_EQ(Read(longer, &read, &read_languages), kCorruptNone);
}

TEST(SettingsLimits, ListCutBeforeItsMarkerIsAMissingEndMarker) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  s.ProgramsToClose.RemoveAll();
  String block = Write(s, l);
  // Find the close-list marker and cut right before it.
  const char marker[] = "~~THE~END~~";
  std::string bytes(block.c_str(), block.length());
  size_t at = bytes.find(marker, 0, sizeof marker);
  ASSERT_NE(at, std::string::npos);
  ProductSettings read;
  LanguageTable read_languages;
  EXPECT_EQ(Read(String(block.c_str(), static_cast<int32_t>(at)), &read, &read_languages),
            kCorruptSettingsEndMarker);
}

// ---- Values derived after reading.

TEST(SettingsDerived, BlankFieldsTakeTheProductName) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  s.Description = W(u" \t");
  s.SharedPath.Clear();
  s.ProductStartMenu = W(u"\r\n");
  s.DefaultInstallDir.Clear();
  s.UninstallKeyName.Clear();
  s.DesktopFolder.Clear();
  s.RequiredProductKey.Clear();
  s.RequiredProductName = W(u"  ");
  s.RequiredProductVersion.Clear();
  ProductSettings read;
  LanguageTable languages;
  ASSERT_EQ(Read(Write(s, l), &read, &languages), kCorruptNone);
  EXPECT_EQ(Text(read.Description), u"Widget");
  EXPECT_EQ(Text(read.SharedPath), u"Acme");  // the publisher first
  EXPECT_EQ(Text(read.ProductStartMenu), u"Widget");
  EXPECT_EQ(Text(read.DefaultInstallDir), u"Widget");
  EXPECT_EQ(Text(read.UninstallKeyName), u"Widget");
  EXPECT_TRUE(read.DesktopFolder.empty());  // only with its flag
  EXPECT_EQ(Text(read.RequiredProductKey), u"Widget");
  EXPECT_EQ(Text(read.RequiredProductName), u"Widget");
  EXPECT_TRUE(read.RequiredProductVersion.empty());

  s.Publisher = W(u" ");
  s.SetFlag(product_flag::kDesktopFolderDefault, true);
  ASSERT_EQ(Read(Write(s, l), &read, &languages), kCorruptNone);
  EXPECT_EQ(Text(read.SharedPath), u"Widget");
  EXPECT_EQ(Text(read.DesktopFolder), u"Widget");
}

TEST(SettingsDerived, ProductNameFromTheCommandLineChangesEveryDefault) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  s.Description.Clear();
  s.Publisher.Clear();
  s.SharedPath.Clear();
  s.ProductStartMenu.Clear();
  s.DefaultInstallDir.Clear();
  s.UninstallKeyName.Clear();
  SettingsReadOptions options;
  options.product_name = W(u"Gadget");
  options.windows_folder = W(u"C:\\Windows");
  ProductSettings read;
  LanguageTable languages;
  ASSERT_EQ(Read(Write(s, l), &read, &languages, options), kCorruptNone);
  EXPECT_EQ(Text(read.DisplayName), u"Gadget");
  for (const String* field : {&read.Description, &read.SharedPath, &read.ProductStartMenu,
                              &read.DefaultInstallDir, &read.UninstallKeyName}) {
    EXPECT_EQ(Text(*field), u"Gadget");
  }
  EXPECT_EQ(Text(MessageText(languages, 0)), u"Install Gadget\r\nfrom Gadget");
}

TEST(SettingsDerived, CaptionVersionColoursAndPlaceholders) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  SettingsReadOptions options;
  options.windows_folder = W(u"C:\\Windows");
  ProductSettings read;
  LanguageTable languages;
  ASSERT_EQ(Read(Write(s, l), &read, &languages, options), kCorruptNone);
  EXPECT_EQ(std::string(read.DisplayVersionA.c_str(), read.DisplayVersionA.length()), "2.1a");
  EXPECT_FALSE(read.MonoColor);
  EXPECT_EQ(Text(read.WizardCaption), u"Install Widget\r\nfrom Widget Pro");  // message 0
  EXPECT_EQ(Text(read.WindowTitle), u"<product> Setup on <os>");  // kept as stored

  s.SetFlag(product_flag::kNoMessageCaption, true);
  s.BottomColor = s.TopColor;
  ASSERT_EQ(Read(Write(s, l), &read, &languages, options), kCorruptNone);
  EXPECT_EQ(Text(read.WizardCaption), u"Widget Setup on C:\\Windows");
  EXPECT_TRUE(read.MonoColor);
}

TEST(SettingsDerived, SilentModeAdjustsTheFlagsAsRead) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  s.ProductFlags |= uint64_t{1} << product_flag::kErrorBoxesWhenAutomatic |
                    uint64_t{1} << product_flag::kProgressPage;
  String block = Write(s, l);
  ProductSettings read;
  LanguageTable languages;
  ASSERT_EQ(Read(block, &read, &languages), kCorruptNone);
  EXPECT_EQ(read.ProductFlags, s.ProductFlags);

  SettingsReadOptions silent;
  silent.silent = true;
  ASSERT_EQ(Read(block, &read, &languages, silent), kCorruptNone);
  EXPECT_EQ(read.ProductFlags, SilentModeFlags(s.ProductFlags));
  EXPECT_FALSE(read.Flag(product_flag::kFolderPage));
  EXPECT_FALSE(read.Flag(product_flag::kErrorBoxesWhenAutomatic));
  EXPECT_FALSE(read.Flag(product_flag::kProgressPage));
  EXPECT_TRUE(read.Flag(product_flag::kNoGreetingPage));
  EXPECT_TRUE(read.Flag(product_flag::kNoBackgroundWindow));
  EXPECT_TRUE(read.Flag(product_flag::kNoInstallOverConfirm));
  // The fields whose presence the flags decide are still read in step.
  EXPECT_EQ(Text(read.ExtraText), u"extra");
  EXPECT_EQ(Text(read.RequiredProductKey), u"RuntimeKey");
  EXPECT_EQ(read.AutomaticMode, 2);
}

// ---- The language table as read.

TEST(SettingsLanguages, ChoiceNormalisationAndRange) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  l.names[0] = W(u"English");  // English twice: the second is current
  l.messages[3] = W(u"one\ntwo\n\rthree\rfour");
  ProductSettings read;
  LanguageTable languages;
  ASSERT_EQ(Read(Write(s, l), &read, &languages), kCorruptNone);
  EXPECT_EQ(languages.current, 1);
  EXPECT_EQ(Text(MessageText(languages, 1)), u"one\r\ntwo\r\nthree\r\nfour");
  EXPECT_TRUE(MessageText(languages, 120).empty());
  EXPECT_TRUE(MessageText(languages, 5000).empty());

  l.names.Resize(1);
  l.names[0] = W(u"Deutsch");
  l.messages.Resize(300);
  ASSERT_EQ(Read(Write(s, l), &read, &languages), kCorruptNone);
  EXPECT_EQ(languages.current, 0);
  EXPECT_EQ(languages.MessageCount(), 300);
  EXPECT_TRUE(MessageText(languages, 5000).empty());
}

// ---- Damage: the reader stays inside the block and bounded in memory.

TEST(SettingsDamage, RandomMutationsOfAValidBlock) {
  ProductSettings s;
  LanguageTable l;
  FullRecord(s, l);
  s.GreetingSound = Bytes(40, 1);  // keep the block small so rounds are quick
  s.BackgroundBitmap = Bytes(40, 2);
  const String block = Write(s, l);
  std::mt19937 random(7);
  int accepted = 0;
  for (int round = 0; round < 4000; ++round) {
    String mutated = block;
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      int32_t at = static_cast<int32_t>(random() % static_cast<uint32_t>(mutated.length()));
      switch (random() % 4) {
        case 0:  // flip a bit
          mutated.At(at) ^= static_cast<uint8_t>(1u << (random() % 8));
          break;
        case 1:  // a length-like byte
          mutated.At(at) = static_cast<uint8_t>(random() % 2 ? 0xFF : 0x00);
          break;
        case 2:  // cut
          mutated.TruncateAt(at);
          break;
        default:  // drop a few bytes
          mutated.Delete(at, 1 + static_cast<int32_t>(random() % 6));
          break;
      }
      if (mutated.empty()) break;
    }
    ProductSettings read;
    LanguageTable languages;
    CorruptCode code = Read(mutated, &read, &languages);
    if (code == kCorruptNone) ++accepted;
    // Memory follows the block: the grid never outgrows what it could hold.
    EXPECT_LE(languages.messages.Count() * 2, mutated.length() + 2) << round;
  }
  // A change to a text's bytes may well be accepted; a damaged structure not.
  EXPECT_LT(accepted, 4000 / 2);
}

}  // namespace
