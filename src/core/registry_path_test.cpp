#include "core/registry_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(RegistryRootNames, SplitRootAcceptsEveryFormOfEveryRoot) {
  for (const RegRootName& row : kRegRootNames) {
    for (const char16_t* name : {row.short_name_w, row.long_name_w}) {
      std::u16string key = std::u16string(name) + u"\\Software\\Vendor";
      for (const std::u16string& path : {key, u"\\" + key}) {
        RegRoot root;
        String rest;
        ASSERT_TRUE(SplitRoot(path.c_str(), &root, &rest)) << std::string(row.long_name);
        EXPECT_EQ(root, row.root);
        EXPECT_EQ(W(rest), u"Software\\Vendor");
      }
    }
  }
}

TEST(RegistryRootNames, RootAloneAndCaseDoNotMatter) {
  RegRoot root;
  EXPECT_EQ(RootPrefixLength(u"HKLM", String::kToEnd, &root), 4);
  EXPECT_EQ(root, RegRoot::kLocalMachine);
  EXPECT_EQ(RootPrefixLength(u"\\hkcu", String::kToEnd, &root), 5);
  EXPECT_EQ(root, RegRoot::kCurrentUser);
  EXPECT_EQ(RootPrefixLength("hkey_classes_root\\.txt", String::kToEnd, &root), 18);
  EXPECT_EQ(root, RegRoot::kClassesRoot);
  // A counted text ends where the count says, whatever follows.
  EXPECT_EQ(RootPrefixLength(u"HKUX", 3, &root), 3);
  EXPECT_EQ(root, RegRoot::kUsers);
}

TEST(RegistryRootNames, NameRunningOnIntoALetterIsNoRoot) {
  RegRoot root = RegRoot::kLocalMachine;
  String rest(u"left over");
  EXPECT_FALSE(SplitRoot(u"HKLMX\\Software", &root, &rest));
  EXPECT_EQ(root, RegRoot::kNone);
  EXPECT_TRUE(rest.empty());
  EXPECT_FALSE(SplitRoot(u"HKEY_USERSX", &root, &rest));
  EXPECT_FALSE(SplitRoot(u"Software\\HKLM\\X", &root, &rest));
  EXPECT_FALSE(SplitRoot(u"", &root, &rest));
  EXPECT_FALSE(SplitRoot(u"\\\\HKLM\\X", &root, &rest));
  EXPECT_EQ(RootPrefixLength("HKCUSoftware", String::kToEnd, &root), -1);
}

TEST(RegistryRootNames, OpenPathFormNeedsTheBracketedShortName) {
  RegRoot root;
  EXPECT_EQ(BracketedRootLength(u"\\HKLM\\Software", String::kToEnd, &root), 6);
  EXPECT_EQ(root, RegRoot::kLocalMachine);
  EXPECT_EQ(BracketedRootLength(u"\\HKDD", String::kToEnd, &root), 5);
  EXPECT_EQ(root, RegRoot::kDynData);
  EXPECT_EQ(BracketedRootLength(u"HKLM\\Software", String::kToEnd, &root), -1);
  EXPECT_EQ(BracketedRootLength(u"\\HKEY_LOCAL_MACHINE\\Software", String::kToEnd, &root), -1);
  EXPECT_EQ(BracketedRootLength(u"\\HKAU\\Software", String::kToEnd, &root), -1);
}

TEST(RegistryRootNames, TableRowsAgreeWithThemselves) {
  for (const RegRootName& row : kRegRootNames) {
    EXPECT_EQ(FindRegRoot(row.root), &row);
    EXPECT_EQ("\\" + std::string(row.short_name) + "\\", row.bracketed);
    std::string narrow_long;
    for (const char16_t* p = row.long_name_w; *p; ++p) narrow_long += static_cast<char>(*p);
    EXPECT_EQ(narrow_long, row.long_name);
  }
  EXPECT_EQ(FindRegRoot(RegRoot::kNone), nullptr);
  EXPECT_EQ(FindRegRoot(static_cast<RegRoot>(0x80000004u)), nullptr);
}

TEST(RegistryValuePaths, SplitValueTakesTheTextAfterTheLastBackslash) {
  String key, value;
  SplitValue(u"Software\\Vendor\\Product\\Version", String::kToEnd, &key, &value);
  EXPECT_EQ(W(key), u"Software\\Vendor\\Product");
  EXPECT_EQ(W(value), u"Version");

  SplitValue(u"Software\\Vendor\\", String::kToEnd, &key, &value);
  EXPECT_EQ(W(key), u"Software\\Vendor");
  EXPECT_EQ(W(value), u"");

  SplitValue(u"Name", String::kToEnd, &key, &value);
  EXPECT_EQ(W(key), u"");
  EXPECT_EQ(W(value), u"Name");
}

TEST(RegistryValuePaths, SplitValueMaySplitItsOwnOutput) {
  String path(u"Software\\Vendor\\Product");
  String value;
  SplitValue(path.w_str(), path.wlength(), &path, &value);
  EXPECT_EQ(W(path), u"Software\\Vendor");
  EXPECT_EQ(W(value), u"Product");
  SplitValue(path.w_str(), path.wlength(), &value, &path);
  EXPECT_EQ(W(value), u"Software");
  EXPECT_EQ(W(path), u"Vendor");
}

TEST(RegistryKeyPaths, ParseTakesRootsAndTheEveryUserForm) {
  RegPath path;
  ASSERT_TRUE(ParseRegKeyPath(u"\\HKLM\\Software\\Vendor\\", &path));
  EXPECT_EQ(path.root, RegRoot::kLocalMachine);
  EXPECT_FALSE(path.all_users);
  EXPECT_EQ(W(path.subkey), u"Software\\Vendor");

  for (const char16_t* text : {u"\\HKAU\\Software\\Vendor", u"hkau\\Software\\Vendor"}) {
    ASSERT_TRUE(ParseRegKeyPath(text, &path));
    EXPECT_TRUE(path.all_users);
    EXPECT_EQ(path.root, RegRoot::kUsers);
    EXPECT_EQ(W(path.subkey), u"Software\\Vendor");
  }

  ASSERT_TRUE(ParseRegKeyPath(u"HKEY_CURRENT_USER", &path));
  EXPECT_EQ(path.root, RegRoot::kCurrentUser);
  EXPECT_TRUE(path.subkey.empty());

  EXPECT_FALSE(ParseRegKeyPath(u"HKAUX\\Software", &path));
  EXPECT_FALSE(ParseRegKeyPath(u"Software\\Vendor", &path));
  EXPECT_EQ(path.root, RegRoot::kNone);
}

TEST(RegistryKeyPaths, ValuePathGivesKeyAndValueName) {
  RegPath key;
  String value;
  ASSERT_TRUE(ParseRegValuePath(u"HKCU\\Software\\Vendor\\Size", &key, &value));
  EXPECT_EQ(key.root, RegRoot::kCurrentUser);
  EXPECT_EQ(W(key.subkey), u"Software\\Vendor");
  EXPECT_EQ(W(value), u"Size");

  ASSERT_TRUE(ParseRegValuePath(u"\\HKAU\\Software\\Vendor\\", &key, &value));
  EXPECT_TRUE(key.all_users);
  EXPECT_EQ(W(key.subkey), u"Software\\Vendor");
  EXPECT_TRUE(value.empty());

  ASSERT_TRUE(ParseRegValuePath(u"HKLM\\Name", &key, &value));
  EXPECT_EQ(key.root, RegRoot::kLocalMachine);
  EXPECT_TRUE(key.subkey.empty());
  EXPECT_EQ(W(value), u"Name");

  EXPECT_FALSE(ParseRegValuePath(u"Name", &key, &value));
  EXPECT_TRUE(value.empty());
}

TEST(RegistryKeyPaths, TextFormsRoundTripThroughTheParser) {
  String text = RegPathText(RegRoot::kClassesRoot, u".txt\\OpenWithProgids", u"Notes.Document");
  EXPECT_EQ(W(text), u"\\HKCR\\.txt\\OpenWithProgids\\Notes.Document");
  RegPath key;
  String value;
  ASSERT_TRUE(ParseRegValuePath(text.w_str(), &key, &value));
  EXPECT_EQ(key.root, RegRoot::kClassesRoot);
  EXPECT_EQ(W(key.subkey), u".txt\\OpenWithProgids");
  EXPECT_EQ(W(value), u"Notes.Document");

  EXPECT_EQ(W(RegPathText(RegRoot::kUsers, u"S-1-5-18")), u"\\HKU\\S-1-5-18");
}

TEST(RegistryKeyPaths, DisplayPathEndsInABackslash) {
  EXPECT_EQ(W(RegDisplayPath(RegRoot::kLocalMachine, u"Software\\Vendor")), u"HKEY_LOCAL_MACHINE\\Software\\Vendor\\");
  EXPECT_EQ(W(RegDisplayPath(RegRoot::kUsers, u"")), u"HKEY_USERS\\");
  String display = RegDisplayPath(RegRoot::kCurrentUser, u"Software");
  AppendRegDisplayPath(&display, u"Vendor");
  EXPECT_EQ(W(display), u"HKEY_CURRENT_USER\\Software\\Vendor\\");
}

TEST(RegistryUserHives, DefaultAndClassesHivesAreNotUsers) {
  EXPECT_TRUE(IsUserHiveName(u"S-1-5-21-1004336348-1177238915-682003330-1001"));
  EXPECT_TRUE(IsUserHiveName(u"S-1-5-18"));
  EXPECT_FALSE(IsUserHiveName(u".DEFAULT"));
  EXPECT_FALSE(IsUserHiveName(u".Default"));  // Wine's spelling
  EXPECT_FALSE(IsUserHiveName(u"S-1-5-21-1004336348-1177238915-682003330-1001_Classes"));
  EXPECT_FALSE(IsUserHiveName(u"S-1-5-21-1-2-3-1000_CLASSES"));
  EXPECT_FALSE(IsUserHiveName(u"_Classes"));
  EXPECT_FALSE(IsUserHiveName(u""));
  EXPECT_TRUE(IsUserHiveName(u".DEFAULTX"));
  EXPECT_TRUE(IsUserHiveName(u"Classes"));

  Array<String> names;
  for (const char16_t* name : {u".DEFAULT", u"S-1-5-19", u"S-1-5-21-7-1000", u"S-1-5-21-7-1000_Classes"}) {
    names.Emplace(name);
  }
  Array<String> hives;
  FilterUserHives(names, &hives);
  ASSERT_EQ(hives.Count(), 2);
  EXPECT_EQ(W(hives[0]), u"S-1-5-19");
  EXPECT_EQ(W(hives[1]), u"S-1-5-21-7-1000");

  EXPECT_EQ(W(UserHiveSubkey(u"S-1-5-19", u"Software\\Vendor")), u"S-1-5-19\\Software\\Vendor");
  EXPECT_EQ(W(UserHiveSubkey(u"S-1-5-19", u"")), u"S-1-5-19");
}

}  // namespace
