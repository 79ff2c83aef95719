#include "setup/install_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "package/settings.h"

namespace {

std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(InstallType, ComparesVersionsOnlyWhenAskedAndBothGiven) {
  EXPECT_EQ(DetermineInstallType(false, String(u"1.0"), String(u"2.0")), InstallType::kNoComparison);
  EXPECT_EQ(DetermineInstallType(true, String(u" "), String(u"2.0")), InstallType::kNoComparison);
  EXPECT_EQ(DetermineInstallType(true, String(u"1.0"), String(u"")), InstallType::kNoComparison);
  EXPECT_EQ(DetermineInstallType(true, String(u"1.0"), String(u"2.0")), InstallType::kUpgrade);
  EXPECT_EQ(DetermineInstallType(true, String(u"2.1a"), String(u"2.1")), InstallType::kDowngrade);
  EXPECT_EQ(DetermineInstallType(true, String(u"3.0.1"), String(u"3.0.1")), InstallType::kSameVersion);
  EXPECT_EQ(DetermineInstallType(true, String(u"1.2"), String(u"1.2.0")), InstallType::kUpgrade);

  InstallState state;
  SetInstallType(state, InstallType::kDowngrade);
  EXPECT_TRUE(state.downgrade);
  EXPECT_FALSE(state.upgrade || state.same_version);
  SetInstallType(state, InstallType::kSameVersion);
  EXPECT_TRUE(state.same_version);
  EXPECT_FALSE(state.downgrade);
}

TEST(InstallRefusals, NoDowngradeBelowRefusesOlderPackages) {
  EXPECT_TRUE(RefusedByNoDowngrade(String(u"3.0"), String(u"2.5")));
  EXPECT_FALSE(RefusedByNoDowngrade(String(u"3.0"), String(u"3.0")));
  EXPECT_FALSE(RefusedByNoDowngrade(String(u"3.0"), String(u"3.1")));
  EXPECT_FALSE(RefusedByNoDowngrade(String(), String(u"0.1")));
}

TEST(Notifications, VersionIsPutInEveryPlace) {
  EXPECT_EQ(W(NotificationAddress(String(u"https://x.test/i?v=%version%&w=%version%"), String(u"1.10"))),
            u"https://x.test/i?v=1.10&w=1.10");
  EXPECT_EQ(W(NotificationAddress(String(u"https://x.test/"), String(u"2"))), u"https://x.test/");
  // A version that itself contains the placeholder is not expanded again.
  EXPECT_EQ(W(NotificationAddress(String(u"%version%"), String(u"%version%"))), u"%version%");
}

TEST(Notifications, CompletionAddressFollowsTheInstallType) {
  ProductSettings settings;
  settings.InstallNotifyURL = String(u"new");
  settings.UpgradeNotifyURL = String(u"up");
  settings.DowngradeNotifyURL = String(u"down");
  settings.ReinstallNotifyURL = String(u"over");
  InstallState state;
  EXPECT_EQ(W(CompletionAddress(settings, state)), u"new");
  state.existing = true;
  EXPECT_EQ(W(CompletionAddress(settings, state)), u"over");
  SetInstallType(state, InstallType::kUpgrade);
  EXPECT_EQ(W(CompletionAddress(settings, state)), u"up");
  SetInstallType(state, InstallType::kDowngrade);
  EXPECT_EQ(W(CompletionAddress(settings, state)), u"down");
}

TEST(Batches, ReinstallBatchNeedsAnExistingInstallation) {
  InstallState state;
  EXPECT_FALSE(ReinstallBatchDue(state, false));
  state.existing = true;
  EXPECT_TRUE(ReinstallBatchDue(state, false));
  EXPECT_FALSE(ReinstallBatchDue(state, true));
  state.same_version = true;
  EXPECT_TRUE(ReinstallBatchDue(state, true));
}

TEST(MustUninstall, CommandRestartsThisInstallerAfterwards) {
  const String command = MustUninstallCommand(String(u"\"C:\\P\\uninst.exe\" /u:\"App\""),
                                              String(u"\"C:\\Down loads\\setup.exe\" /d:\"C:\\X Y\""));
  EXPECT_EQ(W(command), u"\"C:\\P\\uninst.exe\" /u:\"App\" /r:\"`C:\\Down loads\\setup.exe` /d:`C:\\X Y`\"");
}

TEST(InstallFolder, RegistrySourcesAreRecognised) {
  bool local_machine = false;
  String path;
  EXPECT_TRUE(RegistryFolderSource(String(u"HKCU\\Software\\Vendor\\Path"), &local_machine, &path));
  EXPECT_FALSE(local_machine);
  EXPECT_EQ(W(path), u"Software\\Vendor\\Path");
  EXPECT_TRUE(RegistryFolderSource(String(u"HKLM\\Software\\V\\Dir"), &local_machine, &path));
  EXPECT_TRUE(local_machine);
  EXPECT_FALSE(RegistryFolderSource(String(u"%ProgramFiles%\\App"), &local_machine, &path));
  EXPECT_FALSE(RegistryFolderSource(String(u"HKEY_LOCAL_MACHINE\\x"), &local_machine, &path));
}

TEST(InstallFolder, OnlyOrdinaryRelativeFoldersGoUnderProgramFiles) {
  const struct {
    const char16_t* folder;
    bool under;
  } cases[] = {
      {u"Vendor\\App", true},      {u"<master>", false},       {u"<master>\\Sub", true},
      {u"C:\\Apps\\App", false}, {u"\\\\srv\\share", false}, {u"HKLM\\Software\\V\\Dir", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GoesUnderProgramFiles(String(c.folder)), c.under) << "case " << (&c - cases);
  }
}

}  // namespace

TEST(MustUninstall, ABlankVersionOrAnOlderInstalledVersionRequiresIt) {
  const struct {
    const char16_t* named;
    const char16_t* installed;
    bool required;
  } cases[] = {
      {u"", u"1.0", true},     {u"  ", u"9.0", true},   {u"2.0", u"1.9", true},
      {u"2.0", u"2.0", false}, {u"2.0", u"2.1", false}, {u"2.0", u"10.0", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MustUninstallOldVersion(String(c.named), String(c.installed)), c.required)
        << "case " << (&c - cases);
  }
}

TEST(FinishChoices, RelativeNamesArePlacedUnderTheInstallFolder) {
  const String folder(u"C:\\Apps\\Widget");
  const struct {
    const char16_t* program;
    const char16_t* expected;
  } programs[] = {
      {u"widget.exe /first", u"\"C:\\Apps\\Widget\\widget.exe\" /first"},
      {u"\"bin\\my widget.exe\" \"a b\"", u"\"C:\\Apps\\Widget\\bin\\my widget.exe\" \"a b\""},
      {u"\"C:\\Tools\\t.exe\" /x", u"\"C:\\Tools\\t.exe\" /x"},
      {u"D:\\w.exe", u"D:\\w.exe"},
      {u"\\\\server\\share\\w.exe", u"\\\\server\\share\\w.exe"},
      {u"", u""},
  };
  for (const auto& c : programs) {
    EXPECT_EQ(W(ProgramUnderFolder(String(c.program), folder)), c.expected) << "case " << (&c - programs);
  }
  EXPECT_EQ(W(DocumentUnderFolder(String(u"docs\\read me.txt"), folder)), u"C:\\Apps\\Widget\\docs\\read me.txt");
  EXPECT_EQ(W(DocumentUnderFolder(String(u"C:\\Other\\x.pdf"), folder)), u"C:\\Other\\x.pdf");
  EXPECT_EQ(W(DocumentUnderFolder(String(u"https://example.com/"), folder)), u"https://example.com/");
}
