#include "package/action_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const String& s) { return std::u16string(s.w_str(), s.wlength()); }

TEST(ActionSettings, RoundTripAndTolerantReading) {
  ActionSettings written;
  written.path_subfolder = String(u"bin");
  written.pin_command = String(u"\"%InstallDir%\\a b.exe\" /x=1");
  written.root_shortcut_name = String(u"Start Acme");
  written.desktop_folder_icon.Assign("\x00\x01\xfe\xff", 4);
  ActionSettings read;
  ASSERT_TRUE(ReadActionSettings(WriteActionSettings(written), &read));
  EXPECT_EQ(Text(read.path_subfolder), u"bin");
  EXPECT_EQ(Text(read.pin_command), u"\"%InstallDir%\\a b.exe\" /x=1");  // '=' in a value stays
  EXPECT_EQ(Text(read.pin_name), u"");
  EXPECT_EQ(Text(read.root_shortcut_name), u"Start Acme");
  EXPECT_EQ(std::string(read.desktop_folder_icon.c_str(), read.desktop_folder_icon.length()),
            std::string("\x00\x01\xfe\xff", 4));

  ActionSettings other;
  EXPECT_FALSE(ReadActionSettings(String(u"addtopathsubfolder = tools \r\nFuture=1\nDesktopFolderIcon=0G\n"), &other));
  EXPECT_EQ(Text(other.path_subfolder), u"tools");
  EXPECT_TRUE(other.desktop_folder_icon.empty());
}

}  // namespace
