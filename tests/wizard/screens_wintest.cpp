// Pictures of every page in every style over the background window, and in
// built-in languages, for people to look at (build/screenshots/wizard-*.png).
// Runs when BX_WIZARD_SCREENSHOTS is set, at the DPI of the prefix
// (scripts/wizard-screenshots.sh takes them at 96, 144 and 192).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "builder/builtin_languages.h"
#include "builder/default_messages.h"
#include "package/run_product.h"
#include "testkit/testkit.h"
#include "wizard/background_window_win.h"
#include "wizard/page_frame_win.h"
#include "wizard/pages_win.h"

namespace {

// The product the pages show: the tests' own, set up by each test.
RunProduct& Product() {
  static RunProduct product;
  return product;
}
int32_t g_chosen_language = 0;

using namespace page_control;

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

void SampleProduct() {
  Product().settings = ProductSettings{};
  ProductSettings& s = Product().settings;
  s.TaskbarText = String(u"Sample Product Setup");
  s.DisplayTitle = String(u"Sample Product 2.0");
  s.WindowTitle = String(u"Sample Product 2.0 Setup");
  s.TitleFont = String("Tahoma");
  s.TitleSize = 1.0;
  s.TitleColor = RGB(255, 255, 255);
  s.TitleShadow = 120;
  s.TitlePosition = 1;
  s.TopColor = RGB(16, 48, 112);
  s.BottomColor = RGB(70, 130, 210);
  s.CopyrightText = String(u"Copyright (C) 2026 Sample Software");
  s.CopyrightFont = String("Tahoma");
  s.CopyrightSize = 0.75;
  s.CopyrightColor = RGB(220, 230, 250);
  s.CopyrightPos = 6;
  s.SidePictureFrame = 0;
  s.GreetingLink = String(u"https://example.com/sample");
  s.FinishProgram = String(u"sample.exe");
  s.FinishDocument = String(u"readme.txt");
  s.SetFlag(product_flag::kFinishViewLog, true);
  s.SetFlag2(product_flag2::kFinishRunChecked, true);
  std::vector<LanguageMessages> languages{DefaultEnglish()};
  LanguageMessages german = DefaultEnglish();
  german.name = String(u"Deutsch");
  languages.push_back(german);
  Product().languages = MakeLanguageTable(languages);
  Product().languages.product = String(u"Sample Product");
}

// Shows a page here, and from another thread waits for it, takes the
// picture and closes it.
void Picture(const std::wstring& name, const std::function<void()>& show) {
  std::thread camera([&] {
    HWND page = testkit::WaitForWindow(GetCurrentProcessId(), {testkit::kDialogClass});
    EXPECT_NE(page, nullptr) << "no page for " << testing::PrintToString(name);
    // Every window painted before the picture: at high DPI under emulation
    // the first paint takes a while.
    for (HWND window : testkit::TopLevelWindows(GetCurrentProcessId())) {
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    Sleep(700);
    EXPECT_TRUE(testkit::Screenshot(name));
    for (HWND window : testkit::TopLevelWindows(GetCurrentProcessId(), {testkit::kDialogClass})) {
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  });
  show();
  camera.join();
}

// What the pages show, and each page with the way to open it.
struct Scene {
  HWND background = nullptr;
  String licence{u"{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs18{\\b END USER LICENCE AGREEMENT}\\par\\par "
                 u"Please read this agreement carefully. By installing the software you agree to it.\\par\\par "
                 u"1. You may install the software on any number of computers.\\par}"};
  String readme{u"Sample Product 2.0\r\n\r\nWhat is new:\r\n- Faster start\r\n- Sharper pictures at high DPI\r\n"};
  String folder{u"C:\\Program Files\\Sample Product"};
  String start_menu{u"Sample Software\\Sample Product"};
  FolderPageInputs folder_inputs;
  Scene() {
    folder_inputs.required_space = 48 * 1024 * 1024;
    folder_inputs.start_menu_follows = true;
  }
};

struct Shot {
  const wchar_t* name;
  PageStyleSlot slot;
  std::function<void()> show;
};

std::vector<Shot> Shots(Scene& scene) {
  HWND background = scene.background;
  return {
      {L"language", kStyleLanguage, [=] { ShowLanguagePage(background, Product(), &g_chosen_language); }},
      {L"greeting", kStyleGreeting, [=] { ShowGreetingPage(background, Product()); }},
      {L"licence", kStyleLicense,
       [=, &scene] { ShowTextPage(background, Product(), TextPageKind::kLicence, scene.licence); }},
      {L"readme", kStyleReadme, [=, &scene] { ShowTextPage(background, Product(), TextPageKind::kReadme, scene.readme); }},
      {L"folder", kStyleFolder,
       [=, &scene] { ShowFolderPage(background, Product(), scene.folder_inputs, scene.folder); }},
      {L"startmenu", kStyleStartMenu, [=, &scene] { ShowStartMenuPage(background, Product(), scene.start_menu); }},
      {L"progress", kStyleProgress,
       [=] {
         ProgressPageInputs inputs;
         inputs.product = &Product();
         inputs.automatic = true;
         ASSERT_TRUE(OpenProgressPage(background, inputs));
         ReportProgress(ProgressPageReporter(), 42, MessageText(Product().languages, 29));
         // The progress page is modeless: a modal loop stands in for the work.
         MessageBeep(0);
         MSG message;
         while (GetMessageW(&message, nullptr, 0, 0) > 0) {
           if (message.message == WM_CLOSE) break;
           TranslateMessage(&message);
           DispatchMessageW(&message);
         }
       }},
      {L"finish", kStyleFinish,
       [=] { ShowFinishPage(background, Product(), Product().settings.Flag(product_flag::kFinishViewLog)); }},
  };
}

TEST(WizardScreens, EveryPageInEveryStyle) {
  if (!GetEnvironmentVariableW(L"BX_WIZARD_SCREENSHOTS", nullptr, 0)) GTEST_SKIP() << "BX_WIZARD_SCREENSHOTS not set";
  SampleProduct();
  const std::wstring dpi = std::to_wstring(ScreenDpi());
  BackgroundWindowState state = BackgroundWindowStateOf(Product().settings);
  HWND background = CreateBackgroundWindow(nullptr, false, state);
  ASSERT_NE(background, nullptr);
  Sleep(300);
  EXPECT_TRUE(testkit::Screenshot(L"wizard-" + dpi + L"-background"));
  Scene scene;
  scene.background = background;
  const std::vector<Shot> pages = Shots(scene);
  String& folder = scene.folder;
  FolderPageInputs& folder_inputs = scene.folder_inputs;
  for (const auto& page : pages) {
    for (int32_t style : {1, 0, 2, 3}) {
      Product().settings.PageStyles[page.slot] = style;
      Picture(L"wizard-" + dpi + L"-" + page.name + L"-style" + std::to_wstring(style), page.show);
      CloseProgressPage();
    }
  }
  Picture(L"wizard-" + dpi + L"-password", [&] { ShowPasswordPage(background, Product(), String(u"x")); });
  Picture(L"wizard-" + dpi + L"-mustuninstall", [&] { ShowMustUninstallPage(background, Product()); });
  // The buttons with their images.
  Product().settings.SetFlag2(product_flag2::kButtonImages, true);
  Product().settings.PageStyles[kStyleFolder] = 1;
  Picture(L"wizard-" + dpi + L"-folder-button-images", [&] { ShowFolderPage(background, Product(), folder_inputs, folder); });
  Product().settings.SetFlag2(product_flag2::kButtonImages, false);
  // A right-to-left language: the page mirrored.
  Product().languages.messages[0 * 2 + 1] = String(u"\u05D4\u05EA\u05E7\u05E0\u05EA Sample Product");
  Product().languages.messages[11 * 2 + 1] = String(u"\u05D4\u05EA\u05D5\u05DB\u05E0\u05D4 \u05EA\u05D5\u05EA\u05E7\u05DF Sample Product");
  Product().languages.current = 1;
  Product().settings.PageStyles[kStyleFolder] = 1;
  Picture(L"wizard-" + dpi + L"-folder-rtl", [&] { ShowFolderPage(background, Product(), folder_inputs, folder); });
  Product().languages.current = 0;
  SetProcessDefaultLayout(0);
  DestroyWindow(background);
}

// Every page in the built-in languages whose texts run longest or need other
// glyphs, in the side style, to look for clipped texts:
// build/screenshots/wizard-<dpi>-<language file>-<page>.png.
TEST(WizardScreens, EveryPageInBuiltInLanguages) {
  if (!GetEnvironmentVariableW(L"BX_WIZARD_SCREENSHOTS", nullptr, 0)) GTEST_SKIP() << "BX_WIZARD_SCREENSHOTS not set";
  SampleProduct();
  const std::wstring dpi = std::to_wstring(ScreenDpi());
  BackgroundWindowState state = BackgroundWindowStateOf(Product().settings);
  Scene scene;
  scene.background = CreateBackgroundWindow(nullptr, false, state);
  ASSERT_NE(scene.background, nullptr);
  for (const char* name : {"Deutsch", "Français", "Русский", "日本語"}) {
    const BuiltinLanguage* language = FindBuiltinLanguage(name);
    ASSERT_NE(language, nullptr) << name;
    Product().languages = MakeLanguageTable({DefaultEnglish(), language->messages});
    Product().languages.product = String(u"Sample Product");
    Product().languages.current = 1;
    std::wstring stem = L"wizard-" + dpi + L"-";
    for (char c : language->file.substr(0, language->file.find('.'))) stem += static_cast<wchar_t>(c);  // ASCII
    for (const Shot& page : Shots(scene)) {
      Product().settings.PageStyles[page.slot] = 1;
      Picture(stem + L"-" + page.name, page.show);
      CloseProgressPage();
    }
    Picture(stem + L"-password", [&] { ShowPasswordPage(scene.background, Product(), String(u"x")); });
    Picture(stem + L"-mustuninstall", [&] { ShowMustUninstallPage(scene.background, Product()); });
  }
  DestroyWindow(scene.background);
}

}  // namespace
