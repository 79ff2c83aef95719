#include "actions/merge_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Lines(const Vector<MergeWrite>& writes) {
  std::u16string text;
  for (const MergeWrite& w : writes) {
    text += std::u16string(w.key.w_str(), static_cast<size_t>(w.key.wlength()));
    if (w.value) text += u" : " + std::u16string(w.value_name.w_str(), static_cast<size_t>(w.value_name.wlength()));
    text += u"\n";
  }
  return text;
}

TEST(MergeFile, SectionsAndTheValuesTheySetAreWritesDeletionsAreNot) {
  const struct {
    const char16_t* text;
    const char16_t* writes;
  } cases[] = {
      {u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Acme]\r\n"
       u"\"Name\"=\"Acme\"\r\n@=\"default\"\r\n\"Size\"=dword:00000010\r\n",
       u"HKEY_CURRENT_USER\\Software\\Acme\nHKEY_CURRENT_USER\\Software\\Acme : Name\n"
       u"HKEY_CURRENT_USER\\Software\\Acme : \nHKEY_CURRENT_USER\\Software\\Acme : Size\n"},
      // Escaped quotes and backslashes in names; a name with a backslash
      // cannot be recorded.
      {u"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"say \\\"hi\\\"\"=\"x\"\n\"a\\\\b\"=\"y\"\n",
       u"HKEY_LOCAL_MACHINE\\Software\\A\nHKEY_LOCAL_MACHINE\\Software\\A : say \"hi\"\n"},
      // Deletions write nothing, and values after a deleted key belong to no section.
      {u"REGEDIT4\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n\"Stale\"=\"x\"\r\n[HKEY_CURRENT_USER\\Software\\B]\r\n"
       u"\"Gone\"=-\r\n\"Kept\" = \"y\"\r\n",
       u"HKEY_CURRENT_USER\\Software\\B\nHKEY_CURRENT_USER\\Software\\B : Kept\n"},
      // A continued binary value: its continuation lines are no names.
      {u"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\C]\n\"Blob\"=hex:01,02,\\\n  \"03\",04\n\"Next\"=\"z\"\n",
       u"HKEY_CURRENT_USER\\Software\\C\nHKEY_CURRENT_USER\\Software\\C : Blob\nHKEY_CURRENT_USER\\Software\\C : Next\n"},
      {u"; only a comment\n\"Loose\"=\"value\"\n", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Lines(MergeFileWrites(String(c.text))), std::u16string(c.writes));
  }
}

}  // namespace
