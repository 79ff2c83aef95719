// Interactive installations driven through the real windows of setup.exe, the
// way a person clicks through them: pages read, edits typed, boxes answered,
// and then what the run left behind checked.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "builder/builtin_languages.h"
#include "builder/default_messages.h"
#include "e2e/installer_win.h"
#include "testkit/child.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

constexpr int kNext = 1001;
constexpr int kCancel = 1003;
constexpr int kText = 1009;
constexpr int kFolderEdit = 1015;
constexpr int kPasswordEdit = 1019;
constexpr int kFinishRun = 1025;
constexpr int kFinishLog = 1027;

void DeleteUninstallKey(const Product& product) {
  const std::wstring key =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

bool UninstallKeyExists(const Product& product) {
  const std::wstring key =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName);
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

// A product whose run a test can click through: no restart, no shortcuts left
// behind, one file, the test's own name.
Product WizardProduct(const std::wstring& stem) {
  Product product = e2e::TestProduct(stem);
  product.settings.SetFlag(product_flag::kAnswerRestartNo, true);
  product.settings.SetFlag(product_flag::kUninstallStartMenuShortcut, false);
  product.settings.SetFlag(product_flag::kStartMenuPage, false);
  const char content[] = "installed by the wizard";
  product.files.push_back(FileFromBytes("app.txt", content, sizeof content - 1));
  return product;
}

// One installer run, seen through its windows.
class InstallerRun {
 public:
  InstallerRun(const std::wstring& installer, const std::wstring& arguments = L"")
      : process_(Process::Start(installer, arguments)) {
    EXPECT_TRUE(process_.started()) << "error " << process_.error();
  }

  // The front-most visible dialog titled `title` that is not `old` (a page
  // shown again is a new window).
  HWND Page(const std::wstring& title, HWND old = nullptr) {
    HWND found = nullptr;
    testkit::WaitUntil(
        [&] {
          for (HWND window : testkit::TopLevelWindows(process_.id(), {testkit::kDialogClass, title})) {
            if (window != old && IsWindowVisible(window)) found = window;
          }
          return found != nullptr || !process_.Running();
        });
    EXPECT_NE(found, nullptr) << "no window \"" << testing::PrintToString(title) << "\"\n"
                              << testing::PrintToString(testkit::DescribeWindows(process_.id()));
    return found;
  }

  // The message box titled `title`; its text in `text`.
  HWND Box(const std::wstring& title, std::wstring* text) {
    HWND box = Page(title);
    if (box) {
      EXPECT_TRUE(testkit::IsMessageBox(box));
      *text = testkit::MessageBoxText(box);
    }
    return box;
  }

  // Answers the box titled `title` after checking that its text contains `part`.
  void Answer(const std::wstring& title, const std::wstring& part, int answer) {
    std::wstring text;
    HWND box = Box(title, &text);
    if (!box) return;
    EXPECT_NE(text.find(part), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_TRUE(testkit::AnswerMessageBox(box, answer));
    EXPECT_TRUE(testkit::WaitForWindowGone(box));
  }

  void Next(HWND page, int button = kNext) {
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(testkit::ClickButton(page, button));
    EXPECT_TRUE(testkit::WaitForWindowGone(page));
  }

  DWORD Exit() {
    EXPECT_TRUE(process_.WaitForExit()) << testing::PrintToString(testkit::DescribeWindows(process_.id()));
    return process_.ExitCode();
  }

  DWORD id() const { return process_.id(); }

 private:
  Process process_;
};

// A control's place in dialog units, from the page's client size (280 x 202
// units for the full-size templates).
POINT DialogUnits(HWND page, int id) {
  RECT client{};
  GetClientRect(page, &client);
  RECT box{};
  GetWindowRect(testkit::FindControl(page, id), &box);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
  return POINT{MulDiv(box.left, 280, client.right), MulDiv(box.top, 202, client.bottom)};
}

std::wstring WindowTitleOf(const Product& product, const wchar_t* text) {
  std::wstring title = text;
  const size_t at = title.find(L"<product>");
  if (at != std::wstring::npos) title.replace(at, 9, e2e::Wide(product.settings.DisplayName));
  return title;
}

// A drive letter that names no drive here.
wchar_t FreeDriveLetter() {
  const DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
    if ((drives & (1u << (letter - L'A'))) == 0) return letter;
  }
  return L'B';
}

std::wstring ProgramFilesFolder() {
  wchar_t folder[MAX_PATH] = {};
  DWORD size = sizeof folder;
  RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir", RRF_RT_REG_SZ,
               nullptr, folder, &size);
  return folder;
}

// The whole road of an interactive installation over the background window:
// greeting, licence accepted, unusable folders refused on the folder page and
// a typed folder taken once the user agrees to its creation, the progress page, the finish page's boxes where the
// layout puts them, and its ticked program launched from the install folder.
TEST(Wizard, TypedFolderReceivesTheFilesAndTheFinishProgramRuns) {
  Product product = WizardProduct(L"Wizard Road");
  product.settings.SetFlag(product_flag::kNoBackgroundWindow, false);
  product.settings.DisplayTitle = product.settings.DisplayName;
  product.settings.TitlePosition = 2;
  product.settings.TitleSize = 1.0;
  product.settings.TitleColor = 0xFFFFFF;
  product.settings.TopColor = 0x804000;
  product.settings.BottomColor = 0x200000;
  product.settings.LicenseTexts.Add(String(u"Terms of the road test."));
  const std::wstring folder = e2e::TestFolder() + L"\\Typed Folder";
  const std::wstring report = e2e::TestFolder() + L"\\launched.txt";
  product.settings.FinishProgram = e2e::FromWide(testkit::QuoteArgument(testkit::ChildExe()) + L" report " +
                                                 testkit::QuoteArgument(report) + L" ComSpec finished");
  product.settings.SetFlag2(product_flag2::kFinishRunChecked, true);
  product.settings.SetFlag(product_flag::kFinishViewLog, true);
  product.settings.SetFlag(product_flag::kAskFolderExistence, true);
  InstallerRun run(e2e::BuildInstallerFile(product));

  HWND greeting = run.Page(WindowTitleOf(product, L"Welcome to <product> Setup"));
  ASSERT_NE(greeting, nullptr);
  const std::vector<HWND> backgrounds = testkit::TopLevelWindows(run.id(), {L"SEA Window Class", L""});
  ASSERT_EQ(backgrounds.size(), 1u) << testing::PrintToString(testkit::DescribeWindows(run.id()));
  EXPECT_EQ(GetWindow(greeting, GW_OWNER), backgrounds[0]);
  EXPECT_TRUE(testkit::Screenshot(L"wizard-e2e-greeting"));
  run.Next(greeting);

  HWND licence = run.Page(L"License Agreement");
  EXPECT_NE(testkit::ControlText(licence, 1005).find(L"Terms of the road test."), std::wstring::npos);
  run.Next(licence);

  // Folders the page refuses, each with its reason, before the good one.
  const struct {
    std::wstring typed;
    std::wstring reason;
  } refused[] = {
      {L"C:\\", L"root folder of a drive"},
      {std::wstring(1, FreeDriveLetter()) + L":\\App", std::wstring(L"Drive ") + FreeDriveLetter() + L": does not exist"},
      {ProgramFilesFolder(), L"cannot be installed directly in " + ProgramFilesFolder()},
      {L"C:\\bad|name", L"The folder name is not valid"},
  };
  HWND folder_page = run.Page(L"Choose Install Location");
  for (const auto& entry : refused) {
    ASSERT_NE(folder_page, nullptr);
    ASSERT_TRUE(testkit::SetControlText(folder_page, kFolderEdit, entry.typed));
    ASSERT_TRUE(testkit::ClickButton(folder_page, kNext));
    run.Answer(L"Error", entry.reason, IDOK);
    folder_page = run.Page(L"Choose Install Location", folder_page);
  }
  ASSERT_NE(folder_page, nullptr);
  EXPECT_EQ(GetWindow(folder_page, GW_OWNER), backgrounds[0]);
  ASSERT_TRUE(testkit::SetControlText(folder_page, kFolderEdit, folder));
  ASSERT_TRUE(testkit::ClickButton(folder_page, kNext));
  EXPECT_TRUE(testkit::WaitForWindowGone(folder_page));
  run.Answer(L"Choose Install Location", L"The folder " + folder + L" does not exist", IDYES);

  HWND finish = run.Page(L"Installation Complete");
  ASSERT_NE(finish, nullptr);
  const POINT run_box = DialogUnits(finish, kFinishRun);
  const POINT log_box = DialogUnits(finish, kFinishLog);
  EXPECT_NEAR(run_box.x, 98, 2);
  EXPECT_NEAR(run_box.y, 52, 2);
  EXPECT_NEAR(log_box.x, 98, 2);
  EXPECT_NEAR(log_box.y, 66, 2);
  EXPECT_TRUE(testkit::IsChecked(finish, kFinishRun));
  EXPECT_FALSE(testkit::IsChecked(finish, kFinishLog));
  EXPECT_FALSE(IsWindowVisible(testkit::FindControl(finish, 1023)));
  run.Next(finish);
  EXPECT_EQ(run.Exit(), 1u);

  EXPECT_EQ(e2e::ReadBytes(folder + L"\\app.txt"), "installed by the wizard");
  EXPECT_TRUE(testkit::FileExists(folder + L"\\Install.log"));
  std::wstring launched;
  EXPECT_TRUE(testkit::WaitUntil([&] {
    launched = testkit::ReadFileUtf16(report).value_or(L"");
    return launched.find(L"finished") != std::wstring::npos;
  })) << testing::PrintToString(launched);
  EXPECT_EQ(launched.find(folder), 0u) << testing::PrintToString(launched);  // run in the install folder
  DeleteUninstallKey(product);
}

// A product that needs more than any drive holds: the folder page's Next asks
// whether to install there anyway; no shows the page again, yes goes on.
TEST(Wizard, TooLittleFreeSpaceAsksAndNoShowsTheFolderPageAgain) {
  Product product = WizardProduct(L"Wizard Space");
  product.settings.SetFlag(product_flag::kNoGreetingPage, true);
  product.settings.SetFlag(product_flag::kFinishViewLog, false);
  product.settings.ExtraSpace = uint64_t{1} << 50;
  const std::wstring folder = e2e::TestFolder() + L"\\Space Folder";
  InstallerRun run(e2e::BuildInstallerFile(product));
  const std::wstring question_title = WindowTitleOf(product, L"<product> Setup");

  HWND folder_page = run.Page(L"Choose Install Location");
  ASSERT_NE(folder_page, nullptr);
  EXPECT_NE(testkit::ControlText(folder_page, 1036).find(L"1024.00 TB"), std::wstring::npos)
      << testing::PrintToString(testkit::ControlText(folder_page, 1036));
  ASSERT_TRUE(testkit::SetControlText(folder_page, kFolderEdit, folder));
  ASSERT_TRUE(testkit::ClickButton(folder_page, kNext));
  std::wstring text;
  HWND box = run.Box(question_title, &text);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(text.find(L"not enough free space"), std::wstring::npos) << testing::PrintToString(text);
  EXPECT_NE(text.find(L"needs 1024.00 TB on drive " + folder.substr(0, 3)), std::wstring::npos)
      << testing::PrintToString(text);
  EXPECT_TRUE(testkit::AnswerMessageBox(box, IDNO));

  folder_page = run.Page(L"Choose Install Location", folder_page);
  ASSERT_NE(folder_page, nullptr);
  EXPECT_FALSE(e2e::Exists(folder)) << "a folder the user turned down is not made";
  ASSERT_TRUE(testkit::SetControlText(folder_page, kFolderEdit, folder));
  ASSERT_TRUE(testkit::ClickButton(folder_page, kNext));
  run.Answer(question_title, L"not enough free space", IDYES);

  run.Answer(L"Installation Complete", L"", IDOK);
  EXPECT_EQ(run.Exit(), 1u);
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\app.txt"), "installed by the wizard");
  DeleteUninstallKey(product);
}

// A second language whose every text begins with "T ", so that a page shows
// which language it speaks.
LanguageMessages Testish() {
  LanguageMessages testish = DefaultEnglish();
  testish.name = String(u"Testish");
  for (String& message : testish.messages) {
    if (message.empty()) continue;  // an empty text stays one (63 and 64 add pages when not)
    String text(u"T ");
    text.Append(message);
    message = text;
  }
  return testish;
}

std::wstring UninstallValue(const Product& product, const wchar_t* name) {
  const std::wstring key =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName);
  wchar_t value[512] = {};
  DWORD size = sizeof value;
  RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
  return value;
}

// The pages the road above does not take: the language chosen with the
// keyboard re-texts the run, the readme page, the start-menu page that
// refuses a text before it takes one, and a folder typed on the folder page
// that does not exist yet: the run makes it, with its missing parent, and
// records both as its own for the uninstaller.
TEST(Wizard, LanguageReadmeStartMenuAndAFolderTheRunMakes) {
  Product product = WizardProduct(L"Wizard Pages");
  product.languages = {DefaultEnglish(), Testish()};
  product.settings.SetFlag(product_flag::kNoGreetingPage, true);
  product.settings.SetFlag(product_flag::kStartMenuPage, true);
  product.settings.SetFlag(product_flag::kFinishViewLog, false);
  product.settings.UninstallSubdir = String();
  product.settings.ReadmeTexts.Add(String(u"What is new in <product>."));
  const std::wstring parent = e2e::TestFolder() + L"\\New Vendor";
  const std::wstring folder = parent + L"\\New Product";
  InstallerRun run(e2e::BuildInstallerFile(product));

  HWND language = run.Page(L"Select Setup Language");
  ASSERT_NE(language, nullptr);
  HWND list = testkit::FindControl(language, 1017);
  ASSERT_NE(list, nullptr);
  PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1);  // the second language, as a user picks it
  EXPECT_TRUE(testkit::WaitUntil([&] { return testkit::WindowTitle(language) == L"T Select Setup Language"; }))
      << testing::PrintToString(testkit::WindowTitle(language));
  run.Next(language);

  HWND readme = run.Page(L"T Read Me");
  ASSERT_NE(readme, nullptr);
  EXPECT_NE(testkit::ControlText(readme, 1005).find(L"What is new in " + e2e::Wide(product.settings.DisplayName) + L"."),
            std::wstring::npos)
      << testing::PrintToString(testkit::ControlText(readme, 1005));
  run.Next(readme);

  HWND folder_page = run.Page(L"T Choose Install Location");
  ASSERT_NE(folder_page, nullptr);
  ASSERT_TRUE(testkit::SetControlText(folder_page, kFolderEdit, folder));
  run.Next(folder_page);

  HWND start_menu = run.Page(L"T Choose Start Menu Folder");
  ASSERT_NE(start_menu, nullptr);
  EXPECT_TRUE(e2e::Exists(folder)) << "the folder page's folder is made when it is accepted";
  ASSERT_TRUE(testkit::SetControlText(start_menu, kFolderEdit, L"Wizard Vendor\\\\Tools"));
  EXPECT_FALSE(IsWindowEnabled(testkit::FindControl(start_menu, kNext)));
  ASSERT_TRUE(testkit::SetControlText(start_menu, kFolderEdit, L"Wizard Vendor\\Tools"));
  EXPECT_TRUE(IsWindowEnabled(testkit::FindControl(start_menu, kNext)));
  run.Next(start_menu);

  // No finish option: the closing text is a message box, in the chosen language.
  run.Answer(L"T Installation Complete", L"T ", IDOK);
  EXPECT_EQ(run.Exit(), 1u);
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\app.txt"), "installed by the wizard");
  EXPECT_EQ(UninstallValue(product, L"ProductStartMenu"), L"Wizard Vendor\\Tools");
  const std::string data = e2e::ReadBytes(folder + L"\\Uninstall.DAT");
  std::string records = data.substr(0, data.find("\r\n\r\n")) + "\r\n";
  for (char& c : records) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  for (const std::wstring& made : {parent, folder}) {
    std::string line = "~";
    for (wchar_t c : made) line += static_cast<char>(towlower(c));  // the test folder is ASCII
    EXPECT_NE(records.find(line + "\r\n"), std::string::npos) << line << " not in\n" << records;
  }
  DeleteUninstallKey(product);
}

// The screen with `page` painted in full: its paint and its controls' paint
// are sent to the installer and done before this returns.
bool PaintedScreenshot(HWND page, const std::wstring& name) {
  RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  return testkit::Screenshot(name);
}

// A built-in language chosen on the language page speaks on the pages after
// it; the pictures are for people to look at (clipped text, missing glyphs):
// build/screenshots/language-<file>-greeting.png and -folder.png.
TEST(Wizard, BuiltInLanguagesSpeakOnTheGreetingAndFolderPages) {
  for (const char* name : {"Deutsch", "Français", "日本語", "Русский", "한국어", "简体中文"}) {
    SCOPED_TRACE(name);
    const BuiltinLanguage* language = FindBuiltinLanguage(name);
    ASSERT_NE(language, nullptr);
    std::wstring stem = L"language-";
    for (char c : language->file.substr(0, language->file.find('.'))) stem += static_cast<wchar_t>(c);  // ASCII
    Product product = WizardProduct(L"Wizard Language");
    // A name of a usual length, so that the pictures show how the texts fit;
    // the run is cancelled before it installs anything under it.
    product.settings.DisplayName = String(u"Acme Notes");
    product.languages = {DefaultEnglish(), language->messages};
    product.settings.GreetingLink = String(u"https://example.com/");
    const std::wstring product_name = e2e::Wide(product.settings.DisplayName);
    auto message = [&](int32_t n) {
      std::wstring text = e2e::Wide(language->messages.messages[static_cast<size_t>(n)]);
      for (size_t at; (at = text.find(L"<product>")) != std::wstring::npos;) text.replace(at, 9, product_name);
      return text;
    };
    InstallerRun run(e2e::BuildInstallerFile(product));

    HWND page = run.Page(L"Select Setup Language");
    ASSERT_NE(page, nullptr);
    PostMessageW(testkit::FindControl(page, 1017), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_TRUE(testkit::WaitUntil([&] { return testkit::WindowTitle(page) == message(94); }))
        << testing::PrintToString(testkit::WindowTitle(page));
    run.Next(page);

    HWND greeting = run.Page(message(65));
    ASSERT_NE(greeting, nullptr);
    EXPECT_EQ(testkit::ControlText(greeting, kText), message(1));
    EXPECT_EQ(testkit::ControlText(greeting, kNext), message(48));
    EXPECT_TRUE(PaintedScreenshot(greeting, stem + L"-greeting"));
    run.Next(greeting);

    HWND folder_page = run.Page(message(24));
    ASSERT_NE(folder_page, nullptr);
    EXPECT_EQ(testkit::ControlText(folder_page, kCancel), message(49));
    EXPECT_TRUE(PaintedScreenshot(folder_page, stem + L"-folder"));
    run.Next(folder_page, kCancel);
    run.Answer(message(111), message(98), IDOK);
    EXPECT_EQ(run.Exit(), 1u);
    DeleteUninstallKey(product);
  }
}

// The ways a person stops an installation, each ending with exit code 1 and
// nothing installed.
struct Stop {
  const char* name;
  bool password;     // the package asks for one; a wrong one is typed first
  bool licence;      // the licence page is declined
  bool progress;     // Cancel on the progress page, confirmed
  bool start_menu;   // Cancel on the start-menu page, after the run made the install folder
};

class WizardStops : public testing::TestWithParam<Stop> {};

TEST_P(WizardStops, EndWithTheCancelNoticeAndInstallNothing) {
  const Stop& stop = GetParam();
  Product product = WizardProduct(L"Wizard Stop");
  product.settings.SetFlag(product_flag::kNoGreetingPage, true);
  product.settings.SetFlag(product_flag::kFolderPage, false);
  if (stop.password) product.settings.InstallPassword = String(u"S\u00e9same");
  if (stop.licence) product.settings.LicenseTexts.Add(String(u"Decline me."));
  // The status "Preparing files..." stays long enough to be cancelled.
  if (stop.progress) product.settings.MinStatusTime = 9999;
  product.settings.SetFlag(product_flag::kStartMenuPage, stop.start_menu);
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  InstallerRun run(e2e::BuildInstallerFile(product), L"/d:\"" + folder + L"\"");

  if (stop.password) {
    HWND page = run.Page(L"Password Required");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(testkit::SetControlText(page, kPasswordEdit, L"sesame"));
    ASSERT_TRUE(testkit::ClickButton(page, kNext));
    run.Answer(L"Error", L"password is not correct", IDOK);
    EXPECT_TRUE(IsWindowVisible(page));  // the page stays for another try
    run.Next(page, kCancel);
  }
  if (stop.licence) run.Next(run.Page(L"License Agreement"), kCancel);
  if (stop.start_menu) {
    HWND page = run.Page(L"Choose Start Menu Folder");
    EXPECT_TRUE(e2e::Exists(folder)) << "without the folder page the folder is made at once";
    run.Next(page, kCancel);
  }
  if (stop.progress) {
    HWND page = run.Page(L"Installing");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(testkit::WaitUntil([&] { return testkit::ControlText(page, 1011) == L"Preparing files..."; }));
    ASSERT_TRUE(testkit::ClickButton(page, kCancel));
    run.Answer(WindowTitleOf(product, L"<product> Setup"), L"Are you sure you want to cancel", IDYES);
  }
  run.Answer(L"Cancelled", L"The installation was cancelled.", IDOK);
  EXPECT_EQ(run.Exit(), 1u);
  EXPECT_FALSE(testkit::FileExists(folder + L"\\app.txt"));
  // Cancelled before anything went into it, the folder made for it goes too.
  if (!stop.progress) {
    EXPECT_FALSE(e2e::Exists(folder));
  }
  EXPECT_FALSE(UninstallKeyExists(product));
  DeleteUninstallKey(product);
}

INSTANTIATE_TEST_SUITE_P(Ways, WizardStops,
                         testing::Values(Stop{"WrongPasswordThenCancel", true, false, false, false},
                                         Stop{"LicenceDeclined", false, true, false, false},
                                         Stop{"ProgressCancelled", false, false, true, false},
                                         Stop{"StartMenuCancelled", false, false, false, true}),
                         [](const testing::TestParamInfo<Stop>& info) { return std::string(info.param.name); });

// The restart question answered no: no restart, and the run-after program of
// /r: is launched; one that cannot start leaves its line in Install.log,
// written after the log's own end.
TEST(Wizard, RestartDeclinedStillLaunchesTheRunAfterProgram) {
  Product product = WizardProduct(L"Wizard Restart");
  product.settings.SetFlag(product_flag::kNoGreetingPage, true);
  product.settings.SetFlag(product_flag::kFolderPage, false);
  product.settings.SetFlag(product_flag::kAskRestart, true);
  product.settings.SetFlag(product_flag::kFinishViewLog, true);  // a restart question replaces the finish page
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  const std::wstring missing = e2e::TestFolder() + L"\\no such program.exe";
  InstallerRun run(e2e::BuildInstallerFile(product), L"/d:\"" + folder + L"\" /r:\"" + missing + L"\"");

  run.Answer(L"Installation Complete", L"has been installed on your computer", IDOK);
  run.Answer(WindowTitleOf(product, L"<product> Setup"), L"Windows must be restarted", IDNO);
  EXPECT_EQ(run.Exit(), 1u);
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\app.txt"), "installed by the wizard");
  const std::string log = e2e::ReadBytes(folder + L"\\Install.log");
  EXPECT_NE(log.find("Launch on exit: "), std::string::npos) << log;
  const size_t completed = log.find("Installation Complete\r\n");
  const size_t failed = log.find("Failed to launch command: ");
  ASSERT_NE(failed, std::string::npos) << log;
  EXPECT_GT(failed, completed);
  EXPECT_NE(log.find("no such program.exe", failed), std::string::npos) << log;
  DeleteUninstallKey(product);
}

// A second installation of the same product: the install-over question
// names the earlier folder, and no cancels; a product that must remove the
// old version first shows its page and hands this installer, quotes turned
// into backquotes, to the old uninstaller's command, or refuses when there
// is no such command.
TEST(Wizard, EarlierInstallationIsConfirmedOrHandedToItsUninstaller) {
  Product product = WizardProduct(L"Wizard Again");
  product.settings.SetFlag(product_flag::kNoGreetingPage, true);
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  {
    Process first = Process::Start(e2e::BuildInstallerFile(product, L"first.exe"), L"/silent /d:\"" + folder + L"\"");
    ASSERT_TRUE(first.WaitForExit());
  }
  ASSERT_TRUE(UninstallKeyExists(product));
  {
    InstallerRun again(e2e::BuildInstallerFile(product, L"again.exe"));
    again.Answer(L"Existing Installation Found", L"This version of " + e2e::Wide(product.settings.DisplayName), IDNO);
    again.Answer(L"Cancelled", L"The installation was cancelled.", IDOK);
    EXPECT_EQ(again.Exit(), 1u);
  }

  const std::wstring report = e2e::TestFolder() + L"\\uninstaller.txt";
  const std::wstring uninstall = testkit::QuoteArgument(testkit::ChildExe()) + L" report " +
                                 testkit::QuoteArgument(report) + L" ComSpec";
  const std::wstring key =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName);
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"QuietUninstallString", REG_SZ, uninstall.c_str(),
                            static_cast<DWORD>((uninstall.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  product.settings.SetFlag(product_flag::kMustUninstallFirst, true);
  const std::wstring newer = e2e::BuildInstallerFile(product, L"newer.exe");
  InstallerRun run(newer, L"/a");  // the page is shown even in an automatic run
  HWND page = run.Page(L"Error");
  ASSERT_NE(page, nullptr);
  EXPECT_NE(testkit::ControlText(page, kText).find(L"must be removed"), std::wstring::npos);
  run.Next(page);
  EXPECT_EQ(run.Exit(), 1u);
  std::wstring handed;
  EXPECT_TRUE(testkit::WaitUntil([&] {
    handed = testkit::ReadFileUtf16(report).value_or(L"");
    return handed.find(L"/r:") != std::wstring::npos;
  })) << testing::PrintToString(handed);
  std::wstring own = testkit::QuoteArgument(newer) + L" /a";
  for (wchar_t& c : own) {
    if (c == L'"') c = L'`';
  }
  EXPECT_NE(handed.find(L"/r:" + own), std::wstring::npos) << testing::PrintToString(handed);

  // No uninstall command at all: message 9 as an error, and the end.
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS);
  RegDeleteValueW(opened, L"QuietUninstallString");
  RegDeleteValueW(opened, L"UninstallString");
  RegCloseKey(opened);
  InstallerRun refused(newer);
  refused.Answer(L"Error", L"must be removed before this version can be installed", IDOK);
  EXPECT_EQ(refused.Exit(), 1u);
  DeleteUninstallKey(product);
}

}  // namespace
