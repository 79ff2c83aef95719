#include <windows.h>

#include "actions/uninstall_registration.h"

#include <gtest/gtest.h>

#include <string>

#include "actions/registration_run_wintest.h"
#include "core/codepage.h"
#include "core/datetime.h"
#include "package/program_copy.h"
#include "records/uninstall_data.h"

namespace {

class UninstallKeyRun : public RegistrationRun {
 protected:
  ProductSettings Product() const {
    ProductSettings s;
    s.DisplayName = String(u"Bastionix Key Test \u00E9");
    s.Publisher = String(u"Bastionix Ltd");
    s.DisplayVersion = String(u"2.5.1");
    s.Bitness = 2;
    s.ProductFlags = 0x8000000000000004ull;
    s.ProductFlags2 = 0x80000020u;
    s.UninstallSubdir = String(u"uninstall");
    s.ShortcutMode = 1;
    s.TitleSize = 1.25;
    s.TitleFont = String("Arial");
    s.MonoColor = true;
    s.CopyrightColor = 0x00102030;
    UninstallValue help;
    help.name = String("HelpLink");
    help.text = String(u"http://example.test/help");
    s.UninstallValues.Add(help);
    UninstallValue nested;
    nested.name = String("Extra\\Count");
    nested.type = UninstallValue::kDword;
    nested.text = String(u"42");
    s.UninstallValues.Add(nested);
    UninstallValue path;
    path.name = String("Tools");
    path.type = UninstallValue::kExpandString;
    path.text = String(u"%SystemRoot%\\tools");
    s.UninstallValues.Add(path);
    return s;
  }
  UninstallEntryFacts Facts() const {
    UninstallEntryFacts f;
    f.key_name = W(key_name_);
    f.uninstaller_path = String(u"C:\\Program Files\\Key Test\\uninstall\\uninstall.exe");
    f.installer_path = String(u"C:\\Down loads\\setup.exe");
    f.install_folder = String(u"C:\\Program Files\\Key Test");
    f.shared_files = String("C:\\Common\\a.dll\xA9;");
    f.total_bytes = 3 * 1024 * 1024 + 5;
    f.today = LocalNow();
    return f;
  }
};

TEST_F(UninstallKeyRun, EveryValueReadsBackWithItsTypeAndEncoding) {
  ASSERT_TRUE(WriteUninstallKey(journal_, Product(), Facts()));
  const std::u16string key = StoredText(key_path_, u"UninstallString");
  EXPECT_EQ(key, u"\"C:\\Program Files\\Key Test\\uninstall\\uninstall.exe\" /u:\"" +
                     std::u16string(U16(key_name_)) + u"\"");
  EXPECT_EQ(StoredText(key_path_, u"QuietUninstallString"),
            u"\"C:\\Program Files\\Key Test\\uninstall\\uninstall.exe\" /a /u:\"" + std::u16string(U16(key_name_)) +
                u"\"");
  EXPECT_EQ(StoredText(key_path_, u"DisplayName"), u"Bastionix Key Test \u00E9");
  EXPECT_EQ(StoredText(key_path_, u"InstallSource"), u"C:\\Down loads\\setup.exe");
  EXPECT_EQ(StoredText(key_path_, u"Publisher"), u"Bastionix Ltd");
  EXPECT_EQ(StoredNumber(key_path_, u"Bitness"), 2);
  EXPECT_EQ(StoredText(key_path_, u"DisplayVersion"), u"2.5.1");
  EXPECT_EQ(StoredNumber(key_path_, u"VersionMajor"), 2);
  EXPECT_EQ(StoredNumber(key_path_, u"VersionMinor"), 5);
  EXPECT_EQ(StoredText(key_path_, u"ProductFlags"), u"-9223372036854775804");
  EXPECT_EQ(StoredText(key_path_, u"ProductFlags2"), u"2147483680");
  EXPECT_EQ(StoredText(key_path_, u"SharedFiles"), u"C:\\Common\\a.dll\u00A9;");
  EXPECT_EQ(StoredText(key_path_, u"UninstallSubdir"), u"uninstall");
  EXPECT_EQ(StoredNumber(key_path_, u"ShortcutMode"), 1);
  EXPECT_EQ(StoredNumber(key_path_, u"EstimatedSize"), 3 * 1024);
  EXPECT_EQ(StoredText(key_path_, u"TitleSize"), u"1.25");
  EXPECT_EQ(StoredText(key_path_, u"TitleFont"), u"Arial");
  EXPECT_EQ(StoredNumber(key_path_, u"MonoColor"), 1);
  EXPECT_EQ(StoredText(key_path_, u"CopyrightColor"), u"1056816");
  EXPECT_EQ(StoredText(key_path_, u"HelpLink"), u"http://example.test/help");
  EXPECT_EQ(StoredText(key_path_, u"Tools", kRegExpandSz), u"%SystemRoot%\\tools");
  String nested = key_path_;
  nested.AppendW(u"\\Extra");
  EXPECT_EQ(StoredNumber(nested, u"Count"), 42);
  EXPECT_EQ(StoredText(key_path_, u"InstallLocation"), u"C:\\Program Files\\Key Test");

  // Eight digits, year first, today.
  const std::u16string date = StoredText(key_path_, u"InstallDate");
  const DateTime now = LocalNow();
  char expected[16];
  snprintf(expected, sizeof(expected), "%04d%02d%02d", now.year, now.month, now.day);
  EXPECT_EQ(date, std::u16string(expected, expected + 8));

  // What this installation does not have is not there.
  for (const char16_t* absent : {u"NoDowngradeBelow", u"DisplayIcon", u"ProductFonts", u"UninstallBatch1",
                                 u"NotifyURL", u"BottomColor", u"BitmapSize", u"BitmapTPI", u"StretchMode"}) {
    EXPECT_FALSE(StoredValue(key_path_, absent).has_value()) << Text(Utf16ToUtf8(String(absent)));
  }
  EXPECT_EQ(Failures(), "");
}

TEST_F(UninstallKeyRun, ReinstallingRemovesWhatTheNewVersionLacks) {
  ASSERT_TRUE(WriteUninstallKey(journal_, Product(), Facts()));
  ASSERT_TRUE(StoredValue(key_path_, u"Publisher").has_value());
  ProductSettings again = Product();
  again.Publisher.Clear();
  again.DisplayVersion = String(u"3");
  again.UninstallValues[1].text = String(u"0");
  ASSERT_TRUE(WriteUninstallKey(journal_, again, Facts()));
  EXPECT_FALSE(StoredValue(key_path_, u"Publisher").has_value());
  EXPECT_FALSE(StoredValue(key_path_, u"VersionMajor").has_value());
  EXPECT_FALSE(StoredValue(key_path_, u"VersionMinor").has_value());
  String nested = key_path_;
  nested.AppendW(u"\\Extra");
  EXPECT_EQ(StoredNumber(nested, u"Count"), -1);
  EXPECT_EQ(StoredText(key_path_, u"DisplayVersion"), u"3");
}

TEST_F(UninstallKeyRun, AKeyThatCannotBeWrittenIsReported) {
  UninstallEntryFacts facts = Facts();
  // Key names are limited to 255 characters.
  facts.key_name = W(key_name_ + std::wstring(300, L'x'));
  EXPECT_FALSE(WriteUninstallKey(journal_, Product(), facts));
  EXPECT_NE(Failures().find("Unable to save the uninstall information to the registry.  Uninstall will not work "
                            "properly.\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(Failures().rfind("System error: ", 0), 0u);
}

// The whole registration of a product that supports uninstall: the
// uninstaller from a stripped image, the icon files, the key, the product's
// install-location value, the restart marker and Uninstall.DAT.
TEST_F(UninstallKeyRun, RegistersTheWholeProduct) {
  const std::optional<std::string> image = testkit::ReadFileBytes(testkit::SetupExe());
  ASSERT_TRUE(image.has_value()) << "build setup.exe first";
  ProductSettings& s = product_.settings;
  s = Product();
  s.UninstallKeyName = W(key_name_);
  s.UninstallValues[0].text = String(u"%InstallDir%\\help.html");
  s.SetFlag(product_flag::kRestartMarker, true);
  s.BackgroundBitmap = String("BM fake bitmap");
  s.BitmapSize = 40;
  s.BitmapTPI = -1;
  const std::wstring location_key = L"Software\\Bastionix Tests\\" + key_name_;
  s.InstallLocationSource = Utf16ToAnsi(W(L"HKLM\\" + location_key + L"\\Location"));
  const std::wstring data_folder = folder_ / L"uninstall";
  ASSERT_TRUE(CreateDirectoryW(data_folder.c_str(), nullptr));

  ProgramCopy copy;
  copy.stripped = String(image->data(), static_cast<int32_t>(image->size()));
  copy.length = image->size();
  UninstallRegistration inputs = Inputs();
  inputs.uninstall_folder = W(data_folder);
  inputs.total_bytes = 10 * 1024;
  inputs.product_fonts = String("\"Key Sans\" \"keysans.ttf\" ");
  inputs.program = &copy;
  inputs.installer_path = W(testkit::SetupExe());
  inputs.product_icon = String("not checked here");
  static int hook_calls = 0;
  hook_calls = 0;
  inputs.before_data_file = [](void*) { ++hook_calls; };

  EXPECT_TRUE(RegisterUninstall(inputs)) << Failures();
  const std::wstring uninstaller = data_folder + L"\\uninstall.exe";
  EXPECT_EQ(testkit::ReadFileBytes(uninstaller), image);
  EXPECT_EQ(testkit::ReadFileBytes(data_folder + L"\\product.ico").value_or(""), "not checked here");
  EXPECT_EQ(testkit::ReadFileBytes(data_folder + L"\\Installer Background.bmp").value_or(""), "BM fake bitmap");
  EXPECT_EQ(StoredText(key_path_, u"UninstallString"), u"\"" + std::u16string(U16(uninstaller)) + u"\" /u:\"" +
                                                           std::u16string(U16(key_name_)) + u"\"");
  EXPECT_EQ(StoredText(key_path_, u"DisplayIcon"), std::u16string(U16(data_folder + L"\\product.ico")));
  EXPECT_EQ(StoredText(key_path_, u"ProductFonts"), u"\"Key Sans\" \"keysans.ttf\" ");
  EXPECT_EQ(StoredNumber(key_path_, u"EstimatedSize"), 10);
  EXPECT_EQ(StoredNumber(key_path_, u"BitmapSize"), 40);
  EXPECT_FALSE(StoredValue(key_path_, u"BitmapTPI").has_value());
  EXPECT_EQ(StoredText(key_path_, u"InstallLocation"), std::u16string(install_folder_.w_str()));
  EXPECT_EQ(StoredText(W(location_key), u"Location"), std::u16string(install_folder_.w_str()));
  EXPECT_EQ(StoredText(key_path_, u"HelpLink"), std::u16string(install_folder_.w_str()) + u"\\help.html");

  // The restart marker exists and the restart will delete it.
  const std::wstring marker = folder_ / L"reboot.dat";
  EXPECT_TRUE(Exists(marker));
  bool marker_queued = false;
  for (const PendingRename& pair : PendingPairsIn(folder_.path())) {
    marker_queued |= pair.is_deletion() && FoldedPath(WithoutPendingPrefix(pair.source)) == FoldedPath(W(marker));
  }
  EXPECT_TRUE(marker_queued);

  EXPECT_EQ(hook_calls, 1);
  EXPECT_TRUE(Exists(data_folder + L"\\Uninstall.DAT"));
  // The icon files go with the product.
  EXPECT_NE(Records().find("\\uninstall\\product.ico\r\n"), std::string::npos);
  EXPECT_NE(Records().find("\\uninstall\\Installer Background.bmp\r\n"), std::string::npos);
  DeleteMachineKey(L"Software\\Bastionix Tests\\" + key_name_);
}

TEST_F(UninstallKeyRun, WithoutUninstallSupportOnlyTheProductsOwnValueAndMarker) {
  ProductSettings& s = product_.settings;
  s = Product();
  s.ProductFlags = 0;
  s.UninstallKeyName = W(key_name_);
  const std::wstring location_key = L"Software\\Bastionix Tests\\" + key_name_;
  s.InstallLocationSource = Utf16ToAnsi(W(L"HKEY_LOCAL_MACHINE\\" + location_key + L"\\Location"));
  const UninstallRegistration inputs = Inputs();
  EXPECT_TRUE(RegisterUninstall(inputs)) << Failures();
  EXPECT_FALSE(StoredValue(key_path_, u"UninstallString").has_value());
  EXPECT_FALSE(Exists(folder_ / L"uninstall.exe"));
  EXPECT_FALSE(Exists(folder_ / L"Uninstall.DAT"));
  EXPECT_FALSE(Exists(folder_ / L"reboot.dat"));
  EXPECT_EQ(StoredText(W(location_key), u"Location"), std::u16string(install_folder_.w_str()));
  DeleteMachineKey(location_key);
}

}  // namespace
