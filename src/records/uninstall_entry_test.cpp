#include "records/uninstall_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codepage.h"
#include "records/records_test_util.h"

namespace {

ProductSettings FullSettings() {
  ProductSettings s;
  s.DisplayName = String(u"Bastionix Sample");
  s.Publisher = String(u"Bastionix Ltd");
  s.DisplayVersion = String(u"2.5.1");
  s.NoDowngradeBelow = String(u"2.0");
  s.Bitness = 1;
  s.ProductRegistry = String(u"Bastionix\\Sample");
  s.ProductStartMenu = String(u"Bastionix Sample");
  s.ProductFlags = 0x8000000000000004ull;
  s.ProductFlags2 = 0xFFFFFFFFu;
  s.UninstallBatch1 = String(u"echo one");
  s.UninstallSubdir = String(u"uninstall");
  s.ShortcutMode = 1;
  s.NotifyURL = String(u"http://example.test/bye?v=%version%");
  s.DesktopFolder = String(u"Sample");
  s.DisplayTitle = String(u"Sample");
  s.TitleColor = 0x00FFEEDD;
  s.TitleSize = 1.5;
  s.TopColor = 0x00112233;
  s.BottomColor = 0x00445566;
  s.MonoColor = false;
  s.TitleShadow = 3;
  s.TitlePosition = 2;
  s.TitleFont = String("Arial");
  s.TaskbarText = String(u"Sample Setup");
  s.CopyrightPos = 5;
  s.CopyrightColor = 0x00ABCDEF;
  s.CopyrightSize = 0.75;
  s.CopyrightText = String(u"(c) Bastionix");
  s.CopyrightFont = String(u"Tahoma");
  s.BitmapSize = 50;
  s.BitmapTPI = 96;
  s.StretchMode = 1;
  UninstallValue value;
  value.name = String("HelpLink");
  value.type = UninstallValue::kString;
  value.text = String(u"http://example.test/help");
  s.UninstallValues.Add(value);
  return s;
}

UninstallEntryFacts FullFacts() {
  UninstallEntryFacts f;
  f.start_menu = String(u"Bastionix Sample");
  f.key_name = String(u"Bastionix Sample");
  f.uninstaller_path = String(u"C:\\Program Files\\Sample\\uninstall\\uninstall.exe");
  f.installer_path = String(u"C:\\Down loads\\setup.exe");
  f.install_folder = String(u"C:\\Program Files\\Sample");
  f.shared_folder = String(u"C:\\Program Files\\Common Files\\Bastionix");
  f.product_icon_path = String(u"C:\\Program Files\\Sample\\uninstall\\product.ico");
  f.bitmap_written = true;
  f.product_fonts = String("\"Sample Sans\" \"sample.ttf\" ");
  f.shared_files = String("C:\\Program Files\\Common Files\\Bastionix\\a.dll\xA9\r\n");
  f.add_to_path_subfolder = String(u"bin");
  f.total_bytes = 5 * 1024 * 1024 + 100;
  f.today = MakeDateTime(2024, 1, 5);
  return f;
}

const EntryValue* Find(const Vector<EntryValue>& values, const char16_t* name) {
  for (const EntryValue& value : values) {
    if (value.subkey.empty() && value.name.EqualsW(name)) return &value;
  }
  return nullptr;
}

std::u16string TextOf(const Vector<EntryValue>& values, const char16_t* name) {
  const EntryValue* value = Find(values, name);
  if (!value || (value->kind != EntryValueKind::kText && value->kind != EntryValueKind::kExpandText)) {
    return u"<not text>";
  }
  return Wide(value->text);
}

int64_t NumberOf(const Vector<EntryValue>& values, const char16_t* name) {
  const EntryValue* value = Find(values, name);
  return value && value->kind == EntryValueKind::kNumber ? value->number : -1;
}

bool Deleted(const Vector<EntryValue>& values, const char16_t* name) {
  const EntryValue* value = Find(values, name);
  return value && value->kind == EntryValueKind::kDelete;
}

TEST(UninstallEntryTable, EveryValueInItsOrder) {
  const Vector<EntryValue> values = UninstallEntryValues(FullSettings(), FullFacts());
  std::vector<std::u16string> names;
  for (const EntryValue& value : values) names.push_back(Wide(value.name));
  const std::vector<std::u16string> expected = {
      u"UninstallString", u"QuietUninstallString", u"DisplayName", u"InstallSource", u"Publisher",
      u"Bitness", u"DisplayVersion", u"NoDowngradeBelow", u"DisplayIcon", u"VersionMajor", u"VersionMinor",
      u"ProductRegistry", u"ProductStartMenu", u"SharedPath", u"ProductFonts", u"ProductFlags",
      u"ProductFlags2", u"UninstallBatch1", u"UninstallBatch2", u"SharedFiles", u"UninstallSubdir",
      u"AddToPathSubfolder", u"ShortcutMode", u"NotifyURL", u"SupportOffer", u"DesktopFolder",
      u"EstimatedSize", u"DisplayTitle", u"TitleColor", u"TitleSize", u"TopColor", u"BottomColor",
      u"MonoColor", u"TitleShadow", u"TitlePosition", u"TitleFont", u"TaskbarText", u"CopyrightText",
      u"CopyrightFont", u"CopyrightSize", u"CopyrightColor", u"CopyrightPos", u"BitmapSize", u"BitmapTPI",
      u"StretchMode", u"HelpLink", u"InstallLocation", u"InstallDate"};
  EXPECT_EQ(names, expected);
}

TEST(UninstallEntryTable, TypesAndEncodings) {
  const Vector<EntryValue> v = UninstallEntryValues(FullSettings(), FullFacts());
  EXPECT_EQ(TextOf(v, u"UninstallString"),
            u"\"C:\\Program Files\\Sample\\uninstall\\uninstall.exe\" /u:\"Bastionix Sample\"");
  EXPECT_EQ(TextOf(v, u"QuietUninstallString"),
            u"\"C:\\Program Files\\Sample\\uninstall\\uninstall.exe\" /a /u:\"Bastionix Sample\"");
  EXPECT_EQ(TextOf(v, u"InstallSource"), u"C:\\Down loads\\setup.exe");
  EXPECT_EQ(NumberOf(v, u"Bitness"), 1);
  EXPECT_EQ(NumberOf(v, u"VersionMajor"), 2);
  EXPECT_EQ(NumberOf(v, u"VersionMinor"), 5);
  EXPECT_EQ(TextOf(v, u"DisplayIcon"), u"C:\\Program Files\\Sample\\uninstall\\product.ico");
  // Bit 63 makes the 64-bit number negative; the second word is unsigned.
  EXPECT_EQ(TextOf(v, u"ProductFlags"), u"-9223372036854775804");
  EXPECT_EQ(TextOf(v, u"ProductFlags2"), u"4294967295");
  // The 8-bit lists as the ANSI code page reads them: 0xA9 is the type-library mark.
  EXPECT_EQ(TextOf(v, u"SharedFiles"), u"C:\\Program Files\\Common Files\\Bastionix\\a.dll\u00A9\r\n");
  EXPECT_EQ(TextOf(v, u"ProductFonts"), u"\"Sample Sans\" \"sample.ttf\" ");
  EXPECT_EQ(TextOf(v, u"SharedPath"), u"C:\\Program Files\\Common Files\\Bastionix");
  EXPECT_EQ(NumberOf(v, u"ShortcutMode"), 1);
  EXPECT_EQ(NumberOf(v, u"EstimatedSize"), 5 * 1024);
  EXPECT_EQ(TextOf(v, u"TitleSize"), u"1.5");
  EXPECT_EQ(TextOf(v, u"CopyrightSize"), u"0.75");
  EXPECT_EQ(TextOf(v, u"CopyrightColor"), u"11259375");
  EXPECT_EQ(NumberOf(v, u"TitleColor"), 0x00FFEEDD);
  EXPECT_EQ(NumberOf(v, u"BottomColor"), 0x00445566);
  EXPECT_EQ(NumberOf(v, u"MonoColor"), 0);
  EXPECT_EQ(TextOf(v, u"TitleFont"), u"Arial");
  EXPECT_EQ(NumberOf(v, u"BitmapTPI"), 96);
  EXPECT_EQ(NumberOf(v, u"StretchMode"), 1);
  EXPECT_EQ(TextOf(v, u"InstallLocation"), u"C:\\Program Files\\Sample");
  EXPECT_EQ(TextOf(v, u"InstallDate"), u"20240105");
}

TEST(UninstallEntryTable, WhatTheInstallationLacksIsDeleted) {
  ProductSettings s = FullSettings();
  s.Publisher.Clear();
  s.DisplayVersion = String(u"2");
  s.UninstallBatch1.Clear();
  s.MonoColor = true;
  s.BitmapTPI = -1;
  UninstallEntryFacts f = FullFacts();
  f.product_icon_path.Clear();
  f.shared_files.Clear();
  f.total_bytes = 1023;
  Vector<EntryValue> v = UninstallEntryValues(s, f);
  for (const char16_t* name : {u"Publisher", u"VersionMajor", u"VersionMinor", u"UninstallBatch1",
                               u"DisplayIcon", u"SharedFiles", u"EstimatedSize", u"BottomColor", u"BitmapTPI"}) {
    EXPECT_TRUE(Deleted(v, name)) << Text(Utf16ToUtf8(String(name)));
  }
  EXPECT_EQ(NumberOf(v, u"MonoColor"), 1);
  EXPECT_EQ(NumberOf(v, u"BitmapSize"), 50);
  // Without the bitmap file none of its options is kept.
  f.bitmap_written = false;
  s.BitmapTPI = 96;
  v = UninstallEntryValues(s, f);
  EXPECT_TRUE(Deleted(v, u"BitmapSize"));
  EXPECT_TRUE(Deleted(v, u"BitmapTPI"));
  EXPECT_TRUE(Deleted(v, u"StretchMode"));
}

TEST(UninstallEntryTable, WhatTheRunDecidedIsRecorded) {
  ProductSettings s = FullSettings();
  s.ProductFlags = 4;
  s.ProductFlags2 = 3;
  UninstallEntryFacts f = FullFacts();
  f.start_menu = String(u"Chosen\\Folder");
  f.restart_asked = true;
  f.restore_point_not_made = true;
  f.mono_colour_fallback = true;
  const Vector<EntryValue> v = UninstallEntryValues(s, f);
  EXPECT_EQ(TextOf(v, u"ProductStartMenu"), u"Chosen\\Folder");
  EXPECT_EQ(TextOf(v, u"ProductFlags"), u"16388");  // bit 14 added to bit 2
  EXPECT_EQ(TextOf(v, u"ProductFlags2"), u"1");     // bit 1 taken away
  EXPECT_EQ(NumberOf(v, u"MonoColor"), 1);
}

void Upper(String& text) { text.ToUpperW(); }

TEST(UninstallEntryTable, ProductDefinedValues) {
  Vector<UninstallValue> items;
  const auto add = [&](const char* name, uint8_t type, const char16_t* text) {
    UninstallValue& item = items.Emplace();
    item.name = String(name);
    item.type = type;
    item.text = String(text);
  };
  add("Comments", UninstallValue::kString, u"made by %name%");
  add("Sub\\Key\\Level", UninstallValue::kDword, u"42");
  add("Zero", UninstallValue::kDword, u"0");
  add("Empty", UninstallValue::kString, u"");
  add("Path", UninstallValue::kExpandString, u"%ProgramFiles%\\x");
  Vector<EntryValue> out;
  AppendProductDefinedValues(items, &Upper, out);
  ASSERT_EQ(out.Count(), 5);
  for (const EntryValue& value : out) EXPECT_TRUE(value.product_defined);
  EXPECT_EQ(Wide(out[0].text), u"MADE BY %NAME%");
  EXPECT_EQ(out[0].kind, EntryValueKind::kText);
  EXPECT_EQ(Wide(out[1].subkey), u"Sub\\Key");
  EXPECT_EQ(Wide(out[1].name), u"Level");
  EXPECT_EQ(out[1].kind, EntryValueKind::kNumber);
  EXPECT_EQ(out[1].number, 42u);
  EXPECT_EQ(out[2].kind, EntryValueKind::kDelete);
  EXPECT_EQ(out[3].kind, EntryValueKind::kDelete);
  EXPECT_EQ(out[4].kind, EntryValueKind::kExpandText);
  EXPECT_EQ(Wide(out[4].text), u"%PROGRAMFILES%\\X");
}

TEST(UninstallEntryRules, NumbersSizesAndDates) {
  uint32_t major = 9;
  uint32_t minor = 9;
  EXPECT_TRUE(VersionParts(String(u"10.04b"), &major, &minor));
  EXPECT_EQ(major, 10u);
  EXPECT_EQ(minor, 4u);
  EXPECT_TRUE(VersionParts(String(u".7"), &major, &minor));
  EXPECT_EQ(major, 0u);
  EXPECT_EQ(minor, 7u);
  EXPECT_FALSE(VersionParts(String(u""), &major, &minor));

  EXPECT_EQ(LeadingNumber(String(u"  -1")), 0xFFFFFFFFu);
  EXPECT_EQ(LeadingNumber(String(u"+17x")), 17u);
  EXPECT_EQ(LeadingNumber(String(u"x17")), 0u);

  uint32_t kib = 0;
  EXPECT_TRUE(EstimatedSizeKiB(2048, &kib));
  EXPECT_EQ(kib, 2u);
  EXPECT_TRUE(EstimatedSizeKiB(int64_t{0xFFFFFFFF} * 1024 + 1023, &kib));
  EXPECT_EQ(kib, 0xFFFFFFFFu);
  EXPECT_FALSE(EstimatedSizeKiB(int64_t{0x100000000} * 1024, &kib));
  EXPECT_FALSE(EstimatedSizeKiB(0, &kib));
  EXPECT_FALSE(EstimatedSizeKiB(-1, &kib));

  EXPECT_EQ(Wide(InstallDateText(MakeDateTime(1999, 12, 31))), u"19991231");
  EXPECT_EQ(Wide(InstallDateText(MakeDateTime(812, 3, 4))), u"08120304");
}

TEST(TextCopies, NamesNumberOnlyLists) {
  EXPECT_EQ(Wide(TextCopyName(u"readme", 1, 1)), u"readme.txt");
  EXPECT_EQ(Wide(TextCopyName(u"eula", 3, 2)), u"eula2.txt");
  EXPECT_EQ(Wide(TextCopyName(u"eula", 2, 1)), u"eula1.txt");
}

TEST(TextCopies, PlainTextKeepsEveryCharacterRtfStaysEightBit) {
  EXPECT_EQ(Text(TextCopyBytes(String(u"Caf\u00E9 \u65E5\r\n"))), "\xEF\xBB\xBF" "Caf\xC3\xA9 \xE6\x97\xA5\r\n");
  EXPECT_EQ(Text(TextCopyBytes(String(u"{\\rtf1\\ansi Caf\\'e9}"))), "{\\rtf1\\ansi Caf\\'e9}");
}

}  // namespace
