#include "actions/registry_entries.h"

#include <gtest/gtest.h>

#include <string>

#include "core/registry_value.h"

namespace {

std::u16string Text(const String& s) { return std::u16string(s.w_str(), s.wlength()); }
std::string Bytes(const String& s) { return std::string(s.c_str(), s.length()); }

TEST(RegistryEntries, ReadsBothLineFormsAndRefusesOthers) {
  const String list(
      u"  HKLM\\Software\\Key  \r\n"
      u"HKCU\\Software\\K,\"Name, with comma\",4,42,1\r\n"
      u"HKCU\\Software\\K,Name,1\r\n"
      u"\\HKAU\\Software\\K,,2,%x%,6\r\n");
  int32_t position = 0;
  RegistryEntry e;
  ASSERT_TRUE(ReadRegistryEntry(list, &position, &e));
  EXPECT_EQ(e.form, EntryForm::kKey);
  EXPECT_EQ(Text(e.key), u"HKLM\\Software\\Key");
  ASSERT_TRUE(ReadRegistryEntry(list, &position, &e));
  EXPECT_EQ(e.form, EntryForm::kValue);
  EXPECT_EQ(Text(e.name), u"Name, with comma");
  EXPECT_EQ(e.type, 4u);
  EXPECT_EQ(Text(e.data), u"42");
  EXPECT_EQ(e.action, 1);
  ASSERT_TRUE(ReadRegistryEntry(list, &position, &e));
  EXPECT_EQ(e.form, EntryForm::kIllegal);
  ASSERT_TRUE(ReadRegistryEntry(list, &position, &e));
  EXPECT_EQ(e.form, EntryForm::kValue);
  EXPECT_EQ(Text(e.name), u"");
  EXPECT_EQ(e.action, 6);
  EXPECT_FALSE(ReadRegistryEntry(list, &position, &e));
}

TEST(RegistryEntries, ActionsThatWriteAndDelete) {
  const bool writes[] = {false, true, false, true, false, false, true, false};
  const bool deletes[] = {false, false, false, false, true, true, false, false};
  const bool removed[] = {false, false, true, true, false, true, false, false};
  for (int action = 0; action < 8; ++action) {
    EXPECT_EQ(EntryWrites(action), writes[action]) << action;
    EXPECT_EQ(EntryDeletes(action), deletes[action]) << action;
    EXPECT_EQ(EntryRemovedOnUninstall(action), removed[action]) << action;
  }
}

TEST(RegistryEntries, BuildsDataByType) {
  struct Case {
    uint32_t type;
    const char16_t* text;
    bool ok;
    std::string bytes;
  } cases[] = {
      {kRegBinary, u"01 ff A0\t7b", true, std::string("\x01\xff\xa0\x7b", 4)},
      {kRegBinary, u"", true, std::string()},
      {kRegBinary, u"0", false, std::string()},
      {kRegBinary, u"0g", false, std::string()},
      {kRegDword, u"4294967295", true, std::string("\xff\xff\xff\xff", 4)},
      {kRegDword, u"258", true, std::string("\x02\x01\x00\x00", 4)},
      {kRegDword, u"4294967296", false, std::string()},
      {kRegDword, u"12a", false, std::string()},
      {kRegDword, u"", false, std::string()},
      {kRegQword, u"18446744073709551615", true, std::string(8, '\xff')},
      {kRegQword, u"4294967296", true, std::string("\x00\x00\x00\x00\x01\x00\x00\x00", 8)},
      {kRegQword, u"18446744073709551616", false, std::string()},
      {kRegMultiSz, u"a", false, std::string()},
  };
  for (const Case& c : cases) {
    String data;
    EXPECT_EQ(BuildEntryData(c.type, String(c.text), &data), c.ok) << c.type << " " << Text(String(c.text)).size();
    if (c.ok) {
      EXPECT_EQ(Bytes(data), c.bytes);
    }
  }
  String data;
  ASSERT_TRUE(BuildEntryData(kRegExpandSz, String(u"%SystemRoot%"), &data));
  EXPECT_EQ(Text(String(reinterpret_cast<const char16_t*>(data.c_str()), data.length() / 2)), u"%SystemRoot%");
}

}  // namespace
