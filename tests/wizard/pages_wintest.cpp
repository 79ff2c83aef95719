// The wizard pages opened for real from setup.exe's templates, driven from a
// second thread as a user would: read the texts, type, tick, click.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "builder/default_messages.h"
#include "package/run_product.h"
#include "testkit/testkit.h"
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
using testkit::ClickButton;
using testkit::ControlText;

std::wstring W(const String& text) { return std::wstring(reinterpret_cast<const wchar_t*>(text.w_str())); }

class Pages : public testing::Test {
 protected:
  void SetUp() override {
    Product().settings = ProductSettings{};
    std::vector<LanguageMessages> languages{DefaultEnglish(), DefaultEnglish()};
    languages[1].name = String(u"Testish");
    for (size_t i = 0; i < languages[1].messages.size(); ++i) {
      String text(u"T ");
      text.Append(languages[0].messages[i]);
      languages[1].messages[i] = text;
    }
    Product().languages = MakeLanguageTable(languages);
    Product().languages.product = String(u"Sample Product");
  }

  // Runs `show` here while `drive` handles the page it opens from another
  // thread; a page the driver left open is closed so that no test hangs.
  static void Drive(const std::function<void()>& show, const std::function<void(HWND)>& drive) {
    std::thread driver([&] {
      HWND page = testkit::WaitForWindow(GetCurrentProcessId(), {testkit::kDialogClass});
      EXPECT_NE(page, nullptr) << "no page opened";
      if (!page) return;
      drive(page);
      if (IsWindow(page) && IsWindowVisible(page)) {
        for (HWND box : testkit::TopLevelWindows(GetCurrentProcessId(), {testkit::kDialogClass})) {
          if (box != page) PostMessageW(box, WM_CLOSE, 0, 0);
        }
        PostMessageW(page, WM_CLOSE, 0, 0);
      }
    });
    show();
    driver.join();
  }

  // The message box the page opened, other than the page itself.
  static HWND WaitForBox(HWND page) {
    HWND found = nullptr;
    testkit::WaitUntil([&] {
      for (HWND window : testkit::TopLevelWindows(GetCurrentProcessId(), {testkit::kDialogClass})) {
        if (window != page && testkit::IsMessageBox(window)) found = window;
      }
      return found != nullptr;
    });
    return found;
  }
};

// Which of the style's own controls a page of each style carries.
struct StyleControls {
  int32_t style;
  bool side, banner, full;
};
constexpr StyleControls kStyles[] = {
    {1, true, false, false}, {0, false, false, false}, {2, false, true, false}, {3, true, false, true}};

struct PageCase {
  const char* name;
  PageStyleSlot slot;
  std::function<void()> show;
  std::vector<int> ids;  // controls every style of the page has
  bool cancel;           // has a Cancel button
};

TEST_F(Pages, EveryPageInEveryStyleCarriesItsControls) {
  String folder(u"C:\\Program Files\\Sample");
  String text(u"Licence text");
  FolderPageInputs folder_inputs;
  const PageCase pages[] = {
      {"language", kStyleLanguage, [] { ShowLanguagePage(nullptr, Product(), &g_chosen_language); }, {kText, kLanguageList}, true},
      {"greeting", kStyleGreeting, [] { ShowGreetingPage(nullptr, Product()); }, {kText, kLink}, true},
      {"licence", kStyleLicense, [&] { ShowTextPage(nullptr, Product(), TextPageKind::kLicence, text); }, {kText, kTextView}, true},
      {"readme", kStyleReadme, [&] { ShowTextPage(nullptr, Product(), TextPageKind::kReadme, text); }, {kText, kTextView}, true},
      {"folder", kStyleFolder, [&] { ShowFolderPage(nullptr, Product(), folder_inputs, folder); },
       {kText, kFolderEdit, kBrowse, kRequiredSpace, kFreeSpace}, true},
      {"startmenu", kStyleStartMenu, [&] { ShowStartMenuPage(nullptr, Product(), folder); }, {kText, kFolderEdit, kBrowse}, true},
      {"finish", kStyleFinish, [] { ShowFinishPage(nullptr, Product(), Product().settings.Flag(product_flag::kFinishViewLog)); }, {kText, 1023, 1025, 1027, 1029}, false},
  };
  for (const PageCase& page_case : pages) {
    for (const StyleControls& style : kStyles) {
      // The plain greeting is a message box, tested on its own.
      if (page_case.slot == kStyleGreeting && style.style == 0) continue;
      SCOPED_TRACE(testing::Message() << page_case.name << " style " << style.style);
      Product().settings.PageStyles[page_case.slot] = style.style;
      Drive(page_case.show, [&](HWND page) {
        for (int id : page_case.ids) EXPECT_NE(testkit::FindControl(page, id), nullptr) << "control " << id;
        EXPECT_NE(testkit::FindControl(page, kNext), nullptr);
        EXPECT_EQ(testkit::FindControl(page, kCancel) != nullptr, page_case.cancel);
        EXPECT_EQ(testkit::FindControl(page, kSeparator) != nullptr, true);
        EXPECT_EQ(testkit::FindControl(page, kSidePicture) != nullptr, style.side);
        EXPECT_EQ(testkit::FindControl(page, kBanner) != nullptr, style.banner);
        EXPECT_EQ(testkit::FindControl(page, kBannerPageTitle) != nullptr, style.banner);
        EXPECT_EQ(testkit::FindControl(page, kFullPicture) != nullptr, style.full);
        // Banner pages carry the greeting title as caption.
        if (style.banner) {
          EXPECT_EQ(testkit::WindowTitle(page), W(MessageText(Product().languages, 65)));
        }
        EXPECT_FALSE(ControlText(page, kText).empty());
        EXPECT_TRUE(ClickButton(page, page_case.cancel ? kCancel : kNext));
      });
    }
  }
}

TEST_F(Pages, LanguageSelectionRetextsThePageAtOnce) {
  Product().settings.PageStyles[kStyleLanguage] = 2;
  PageResult result = PageResult::kCancel;
  Drive([&] { result = ShowLanguagePage(nullptr, Product(), &g_chosen_language); },
        [&](HWND page) {
          EXPECT_EQ(ControlText(page, kText), W(Product().languages.messages[82 * 2]));  // English preselected
          HWND list = testkit::FindControl(page, kLanguageList);
          SendMessageW(list, LB_SETCURSEL, 1, 0);
          SendMessageW(page, WM_COMMAND, MAKEWPARAM(kLanguageList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
          EXPECT_EQ(ControlText(page, kText).rfind(L"T ", 0), 0u) << ControlText(page, kText);
          EXPECT_EQ(ControlText(page, kBannerPageTitle).rfind(L"T ", 0), 0u);
          EXPECT_TRUE(ClickButton(page, kNext));
        });
  EXPECT_EQ(result, PageResult::kAccept);
  // The choice comes back to the caller; the caller's table is untouched.
  EXPECT_EQ(g_chosen_language, 1);
  EXPECT_EQ(Product().languages.current, 0);
}

TEST_F(Pages, WrongPasswordKeepsThePageAndRightOneAccepts) {
  const String password(u"Secret-1");
  PageResult result = PageResult::kCancel;
  Drive([&] { result = ShowPasswordPage(nullptr, Product(), password); },
        [&](HWND page) {
          for (const wchar_t* wrong : {L"secret-1", L"Secret-12"}) {
            EXPECT_TRUE(testkit::SetControlText(page, kPasswordEdit, wrong));
            const DWORD start = GetTickCount();
            EXPECT_TRUE(ClickButton(page, kNext));
            HWND box = WaitForBox(page);
            ASSERT_NE(box, nullptr);
            EXPECT_GE(GetTickCount() - start, 450u);
            EXPECT_EQ(testkit::MessageBoxText(box), W(MessageText(Product().languages, 102)));
            EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
            EXPECT_TRUE(testkit::WaitForWindowGone(box));
            EXPECT_TRUE(IsWindowVisible(page));
          }
          EXPECT_TRUE(testkit::SetControlText(page, kPasswordEdit, L"Secret-1"));
          EXPECT_TRUE(ClickButton(page, kNext));
        });
  EXPECT_EQ(result, PageResult::kAccept);
}

TEST_F(Pages, StartMenuNextFollowsTheTextTyped) {
  String folder(u"Vendor\\Product");
  PageResult result = PageResult::kCancel;
  Drive([&] { result = ShowStartMenuPage(nullptr, Product(), folder); },
        [&](HWND page) {
          const struct {
            const wchar_t* text;
            bool enabled;
          } cases[] = {{L"Vendor\\\\Product", false}, {L"\\Product", false}, {L"Ven:dor", false},
                       {L"Vendor\\Tools", true}};
          for (const auto& c : cases) {
            EXPECT_TRUE(testkit::SetControlText(page, kFolderEdit, c.text));
            EXPECT_EQ(IsWindowEnabled(testkit::FindControl(page, kNext)) != FALSE, c.enabled) << c.text;
          }
          EXPECT_TRUE(ClickButton(page, kNext));
        });
  EXPECT_EQ(result, PageResult::kAccept);
  EXPECT_TRUE(folder.EqualsW(u"Vendor\\Tools"));
}

TEST_F(Pages, FolderPageHandsBackTheFolderTypedAndShowsTheSpace) {
  String folder(u"C:\\Program Files\\Sample");
  FolderPageInputs inputs;
  inputs.required_space = 3 * 1024 * 1024;
  PageResult result = PageResult::kCancel;
  Drive([&] { result = ShowFolderPage(nullptr, Product(), inputs, folder); },
        [&](HWND page) {
          EXPECT_EQ(ControlText(page, kFolderEdit), L"C:\\Program Files\\Sample");
          EXPECT_NE(ControlText(page, kRequiredSpace).find(L"3.00 MB"), std::wstring::npos);
          EXPECT_FALSE(ControlText(page, kFreeSpace).empty());
          EXPECT_TRUE(testkit::SetControlText(page, kFolderEdit, L"Q:\\Elsewhere"));
          EXPECT_TRUE(ControlText(page, kFreeSpace).empty()) << "no drive Q:";
          EXPECT_TRUE(testkit::SetControlText(page, kFolderEdit, L"C:\\Elsewhere\\Sample"));
          EXPECT_EQ(ControlText(page, kNext), W(MessageText(Product().languages, 90)));
          EXPECT_TRUE(ClickButton(page, kNext));
        });
  EXPECT_EQ(result, PageResult::kAccept);
  EXPECT_TRUE(folder.EqualsW(u"C:\\Elsewhere\\Sample"));
}

TEST_F(Pages, FinishBoxesSitWhereTheLayoutPutsThemAndTheirTicksComeBack) {
  Product().settings.FinishProgram = String(u"app.exe");
  Product().settings.FinishDocument2 = String(u"notes.txt");
  Product().settings.SetFlag2(product_flag2::kFinishRunChecked, true);
  Product().settings.PageStyles[kStyleFinish] = 0;
  FinishChoices choices;
  Drive([&] { choices = ShowFinishPage(nullptr, Product(), Product().settings.Flag(product_flag::kFinishViewLog)); },
        [&](HWND page) {
          // Two options missing: the list starts at 2 * 14 / 2 | 32 = 46.
          RECT want{12, 46, 275, 55};
          MapDialogRect(page, &want);
          HWND run = testkit::FindControl(page, 1025);
          RECT got{};
          GetWindowRect(run, &got);
          MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&got), 2);
          EXPECT_EQ(got.left, want.left);
          EXPECT_EQ(got.top, want.top);
          EXPECT_EQ(got.right, want.right);
          EXPECT_TRUE(IsWindowVisible(testkit::FindControl(page, 1029)));
          EXPECT_FALSE(IsWindowVisible(testkit::FindControl(page, 1023)));
          EXPECT_FALSE(IsWindowVisible(testkit::FindControl(page, 1027)));
          EXPECT_TRUE(testkit::IsChecked(page, 1025));
          EXPECT_FALSE(testkit::IsChecked(page, 1029));
          EXPECT_TRUE(testkit::SetCheck(page, 1029, true));
          EXPECT_TRUE(ClickButton(page, kNext));
        });
  EXPECT_TRUE(choices.run_program);
  EXPECT_TRUE(choices.second_document);
  EXPECT_FALSE(choices.open_document);
  EXPECT_FALSE(choices.view_log);
}

// A DPI change: the dialog manager rescales the page and hands every control
// its new font; the page then remakes what it drew itself at the old size.
TEST_F(Pages, ADpiChangeRemakesTheBannerFontAndPictures) {
  Product().settings.PageStyles[kStyleGreeting] = 2;
  HFONT larger = nullptr;
  Drive([&] { ShowGreetingPage(nullptr, Product()); },
        [&](HWND page) {
          LOGFONTW font{};
          ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)), sizeof font, &font));
          font.lfHeight *= 2;
          larger = CreateFontIndirectW(&font);
          // What the dialog manager does at twice the DPI.
          SendMessageW(page, WM_SETFONT, reinterpret_cast<WPARAM>(larger), FALSE);
          for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(larger), FALSE);
          }
          HWND banner = testkit::FindControl(page, kBanner);
          RECT place{};
          GetWindowRect(banner, &place);
          SetWindowPos(banner, nullptr, 0, 0, (place.right - place.left) * 2, (place.bottom - place.top) * 2,
                       SWP_NOMOVE | SWP_NOZORDER);
          RECT window{};
          GetWindowRect(page, &window);
          SendMessageW(page, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&window));

          HWND title = testkit::FindControl(page, kBannerWindowTitle);
          LOGFONTW title_font{};
          EXPECT_TRUE(testkit::WaitUntil([&] {
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(title, WM_GETFONT, 0, 0)), sizeof title_font, &title_font);
            return title_font.lfWeight == FW_BOLD && title_font.lfHeight == font.lfHeight;
          })) << title_font.lfWeight << " " << title_font.lfHeight << " want " << font.lfHeight;
          RECT client{};
          GetClientRect(banner, &client);
          BITMAP picture{};
          ASSERT_TRUE(GetObjectW(reinterpret_cast<HBITMAP>(SendMessageW(banner, STM_GETIMAGE, IMAGE_BITMAP, 0)),
                                 sizeof picture, &picture));
          EXPECT_EQ(picture.bmWidth, client.right);
          EXPECT_EQ(picture.bmHeight, client.bottom);
        });
  if (larger) DeleteObject(larger);
}

// The banner's heading is the product's window title with its placeholders
// filled in, as the messages have them, on every banner page.
TEST_F(Pages, BannerWindowTitleHasItsPlaceholdersReplaced) {
  Product().settings.WindowTitle = String(u"Acme <product> window: <description> in <os>");
  Product().languages.description = String(u"A tool");
  Product().languages.windows_folder = String(u"C:\\windows");
  String folder(u"C:\\Program Files\\Sample");
  FolderPageInputs folder_inputs;
  const struct {
    const char* name;
    PageStyleSlot slot;
    std::function<void()> show;
  } pages[] = {
      {"language", kStyleLanguage, [] { ShowLanguagePage(nullptr, Product(), &g_chosen_language); }},
      {"greeting", kStyleGreeting, [] { ShowGreetingPage(nullptr, Product()); }},
      {"folder", kStyleFolder, [&] { ShowFolderPage(nullptr, Product(), folder_inputs, folder); }},
  };
  for (const auto& page_case : pages) {
    SCOPED_TRACE(page_case.name);
    Product().settings.PageStyles[page_case.slot] = 2;
    Drive(page_case.show, [](HWND page) {
      EXPECT_EQ(ControlText(page, kBannerWindowTitle), L"Acme Sample Product window: A tool in C:\\windows");
    });
  }
}

TEST_F(Pages, ClosingTheFinishPageClearsTheChoices) {
  Product().settings.FinishProgram = String(u"app.exe");
  Product().settings.SetFlag2(product_flag2::kFinishRunChecked, true);
  FinishChoices choices;
  choices.run_program = true;
  Drive([&] { choices = ShowFinishPage(nullptr, Product(), Product().settings.Flag(product_flag::kFinishViewLog)); }, [](HWND page) { PostMessageW(page, WM_CLOSE, 0, 0); });
  EXPECT_FALSE(choices.run_program);
}

TEST_F(Pages, GreetingLinkOpensOnTheAddressAndThePlainStyleIsABox) {
  Product().settings.GreetingLink = String(u"https://example.com/sample");
  Product().settings.PageStyles[kStyleGreeting] = 1;
  Drive([] { ShowGreetingPage(nullptr, Product()); },
        [](HWND page) {
          EXPECT_EQ(ControlText(page, kLink), L"Visit the <a href=\"https://example.com/sample\">Sample Product website</a>");
          EXPECT_TRUE(IsWindowVisible(testkit::FindControl(page, kLink)));
          EXPECT_TRUE(ClickButton(page, kCancel));
        });
  Product().settings.GreetingLink = String();
  Drive([] { ShowGreetingPage(nullptr, Product()); },
        [](HWND page) {
          EXPECT_FALSE(IsWindowVisible(testkit::FindControl(page, kLink)));
          EXPECT_TRUE(ClickButton(page, kCancel));
        });
  Product().settings.PageStyles[kStyleGreeting] = 0;
  PageResult result = PageResult::kAccept;
  Drive([&] { result = ShowGreetingPage(nullptr, Product()); },
        [](HWND box) {
          EXPECT_TRUE(testkit::IsMessageBox(box));
          EXPECT_EQ(testkit::MessageBoxText(box), W(MessageText(Product().languages, 1)));
          EXPECT_EQ(testkit::WindowTitle(box), W(MessageText(Product().languages, 65)));
          EXPECT_TRUE(testkit::AnswerMessageBox(box, IDCANCEL));
        });
  EXPECT_EQ(result, PageResult::kCancel);
}

// The box keeps its size from the template unless the text needs more: then
// the text grows and the buttons move below it.
TEST_F(Pages, MustUninstallShowsItsWholeTextAboveTheButtons) {
  PageResult result = PageResult::kCancel;
  Drive([&] { result = ShowMustUninstallPage(nullptr, Product()); },
        [](HWND page) {
          EXPECT_EQ(testkit::WindowTitle(page), W(MessageText(Product().languages, 21)));
          EXPECT_EQ(ControlText(page, kText), W(MessageText(Product().languages, 9)));
          HWND text = testkit::FindControl(page, kText);
          RECT text_rect{};
          GetWindowRect(text, &text_rect);
          HDC dc = GetDC(text);
          HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
          const std::wstring message = W(MessageText(Product().languages, 9));
          RECT needed{0, 0, text_rect.right - text_rect.left, 0};
          DrawTextW(dc, message.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
          SelectObject(dc, old);
          ReleaseDC(text, dc);
          EXPECT_GE(text_rect.bottom - text_rect.top, needed.bottom);
          RECT button{};
          GetWindowRect(testkit::FindControl(page, kNext), &button);
          EXPECT_GE(button.top, text_rect.bottom);
          EXPECT_EQ(ControlText(page, kNext), W(MessageText(Product().languages, 104)));
          EXPECT_TRUE(ClickButton(page, kNext));
        });
  EXPECT_EQ(result, PageResult::kAccept);
}

// Left edge of a control on the screen.
LONG ScreenLeft(HWND page, int id) {
  RECT rect{};
  GetWindowRect(testkit::FindControl(page, id), &rect);
  return rect.left;
}

TEST_F(Pages, RightToLeftLanguagesGetMirroredPages) {
  String folder(u"C:\\Sample");
  FolderPageInputs inputs;
  Product().settings.PageStyles[kStyleFolder] = 1;
  // Pages belong to the background window, which is never mirrored itself.
  HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  for (HWND page_owner : {static_cast<HWND>(nullptr), owner}) {
    for (bool hebrew : {true, false}) {
      SCOPED_TRACE(testing::Message() << (page_owner ? "owned" : "unowned") << (hebrew ? " hebrew" : " english"));
      Product().languages.messages[0 * 2 + 1] = String(hebrew ? u"\u05D4\u05EA\u05E7\u05E0\u05D4" : u"Setup");
      Product().languages.current = 1;
      Drive([&] { ShowFolderPage(page_owner, Product(), inputs, folder); },
            [&](HWND page) {
              EXPECT_EQ((GetWindowLongPtrW(page, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0, hebrew);
              // The side picture moves to the right of the text, Next to the right of Cancel.
              EXPECT_EQ(ScreenLeft(page, kSidePicture) > ScreenLeft(page, kText), hebrew);
              EXPECT_EQ(ScreenLeft(page, kNext) > ScreenLeft(page, kCancel), hebrew);
              // The folder is a path: it stays left to right.
              EXPECT_EQ(GetWindowLongPtrW(testkit::FindControl(page, kFolderEdit), GWL_EXSTYLE) &
                            (WS_EX_LAYOUTRTL | WS_EX_RTLREADING),
                        0);
              EXPECT_TRUE(ClickButton(page, kCancel));
            });
    }
  }
  DestroyWindow(owner);
  SetProcessDefaultLayout(0);
}

// With ProductFlags2 bit 10 Next, Cancel and Browse carry their images and
// their captions begin with a blank; without it neither.
TEST_F(Pages, ButtonImagesFollowTheirFlag) {
  String folder(u"C:\\Sample");
  FolderPageInputs inputs;
  const struct {
    const char* name;
    std::function<void()> show;
    std::vector<int> buttons;
  } pages[] = {
      {"folder", [&] { ShowFolderPage(nullptr, Product(), inputs, folder); }, {kNext, kCancel, kBrowse}},
      {"password", [] { ShowPasswordPage(nullptr, Product(), String(u"x")); }, {kNext, kCancel}},
  };
  for (bool images : {true, false}) {
    Product().settings.SetFlag2(product_flag2::kButtonImages, images);
    for (const auto& page_case : pages) {
      SCOPED_TRACE(testing::Message() << page_case.name << (images ? " with images" : " without"));
      Drive(page_case.show, [&](HWND page) {
        for (int id : page_case.buttons) {
          const LRESULT image = SendMessageW(testkit::FindControl(page, id), BM_GETIMAGE, IMAGE_BITMAP, 0);
          EXPECT_EQ(image != 0, images) << "button " << id;
          const std::wstring caption = ControlText(page, id);
          ASSERT_FALSE(caption.empty()) << "button " << id;
          EXPECT_EQ(caption[0] == L' ', images) << testing::PrintToString(caption);
        }
        EXPECT_TRUE(ClickButton(page, kCancel));
      });
    }
  }
}

// The control with the keyboard focus on the page's thread.
HWND FocusOf(HWND page) {
  GUITHREADINFO info{sizeof info};
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// One key as the keyboard delivers it to the focused control: the page's
// own dialog loop must turn it into focus moves and button presses.
struct Key {
  UINT key;              // a virtual key, or 0 for Alt+letter
  wchar_t letter;        // with Alt
  int focus_after;       // the control that must then have the focus; 0: not checked
};
constexpr Key Tab(int focus) { return Key{VK_TAB, 0, focus}; }
constexpr Key Alt(wchar_t letter) { return Key{0, letter, 0}; }
constexpr Key kEnter{VK_RETURN, 0, 0};
constexpr Key kEscape{VK_ESCAPE, 0, 0};

void Press(HWND page, const Key& key) {
  HWND focus = FocusOf(page);
  ASSERT_NE(focus, nullptr);
  if (key.key) {
    PostMessageW(focus, WM_KEYDOWN, key.key, 1);
    PostMessageW(focus, WM_KEYUP, key.key, 0xC0000001);
  } else {
    PostMessageW(focus, WM_SYSCHAR, key.letter, 0x20000001);  // bit 29: Alt is down
  }
  if (key.focus_after) {
    EXPECT_TRUE(testkit::WaitUntil([&] { return GetDlgCtrlID(FocusOf(page)) == key.focus_after; }))
        << "focus on " << GetDlgCtrlID(FocusOf(page)) << ", not " << key.focus_after;
  }
}

TEST_F(Pages, EveryPageWorksFromTheKeyboardAlone) {
  String folder(u"C:\\Sample");
  String bad_start_menu(u"Vendor\\\\Product");
  String text(u"Licence text");
  FolderPageInputs inputs;
  inputs.start_menu_follows = true;  // Next reads "&Next >"
  Product().settings.FinishProgram = String(u"app.exe");
  Product().settings.SetFlag2(product_flag2::kFinishRunChecked, true);
  FinishChoices choices;
  const struct {
    const char* name;
    std::function<PageResult()> show;
    std::vector<Key> keys;
    PageResult want;
  } cases[] = {
      // Tab walks edit, Browse, Next, Cancel and round again; Enter is Next.
      {"folder tab order and Enter", [&] { return ShowFolderPage(nullptr, Product(), inputs, folder); },
       {Tab(kBrowse), Tab(kNext), Tab(kCancel), Tab(kFolderEdit), kEnter}, PageResult::kAccept},
      {"folder Escape", [&] { return ShowFolderPage(nullptr, Product(), inputs, folder); }, {kEscape}, PageResult::kCancel},
      {"folder Alt+N", [&] { return ShowFolderPage(nullptr, Product(), inputs, folder); }, {Alt(L'n')}, PageResult::kAccept},
      {"licence Alt+A", [&] { return ShowTextPage(nullptr, Product(), TextPageKind::kLicence, text); }, {Alt(L'a')},
       PageResult::kAccept},
      {"licence Alt+D", [&] { return ShowTextPage(nullptr, Product(), TextPageKind::kLicence, text); }, {Alt(L'd')},
       PageResult::kCancel},
      {"language Enter", [] { return ShowLanguagePage(nullptr, Product(), &g_chosen_language); }, {kEnter}, PageResult::kAccept},
      // A start-menu text Next refuses: Enter does nothing, Escape cancels.
      {"start menu refused", [&] { return ShowStartMenuPage(nullptr, Product(), bad_start_menu); }, {kEnter, kEscape},
       PageResult::kCancel},
      {"password Escape", [] { return ShowPasswordPage(nullptr, Product(), String(u"x")); }, {kEscape}, PageResult::kCancel},
      {"must uninstall Alt+U", [] { return ShowMustUninstallPage(nullptr, Product()); }, {Alt(L'u')}, PageResult::kAccept},
      // Alt+L unticks the program to launch, Alt+F finishes.
      {"finish Alt+L Alt+F",
       [&] {
         choices = ShowFinishPage(nullptr, Product(), Product().settings.Flag(product_flag::kFinishViewLog));
         return PageResult::kAccept;
       },
       {Alt(L'l'), Alt(L'f')}, PageResult::kAccept},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    choices = FinishChoices{};
    choices.run_program = true;
    PageResult result = c.want == PageResult::kAccept ? PageResult::kCancel : PageResult::kAccept;
    Drive([&] { result = c.show(); },
          [&](HWND page) {
            for (const Key& key : c.keys) Press(page, key);
            EXPECT_TRUE(testkit::WaitForWindowGone(page)) << "the keys did not end the page";
          });
    EXPECT_EQ(result, c.want);
  }
  EXPECT_FALSE(choices.run_program) << "Alt+L did not untick the program to launch";
}

std::atomic<bool> g_cancelled{false};

TEST_F(Pages, ProgressCancelAsksAndYesTakesTheCancelExit) {
  g_cancelled = false;
  ProgressPageInputs inputs;
  inputs.product = &Product();
  inputs.cancel_exit = [] { g_cancelled = true; };
  ASSERT_TRUE(OpenProgressPage(nullptr, inputs));
  const Progress progress = ProgressPageReporter();
  ReportProgress(progress, 40, MessageText(Product().languages, 29));
  HWND page = testkit::WaitForWindow(GetCurrentProcessId(), {testkit::kDialogClass});
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(SendDlgItemMessageW(page, kProgressBar, PBM_GETPOS, 0, 0), 40);
  EXPECT_EQ(ControlText(page, kStatus), W(MessageText(Product().languages, 29)));
  std::thread driver([&] {
    for (int answer : {IDNO, IDYES}) {
      EXPECT_TRUE(ClickButton(page, kCancel));
      HWND box = WaitForBox(page);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(testkit::MessageBoxText(box), W(MessageText(Product().languages, 28)));
      EXPECT_TRUE(testkit::AnswerMessageBox(box, answer));
      EXPECT_TRUE(testkit::WaitForWindowGone(box));
      if (answer == IDYES) {
        EXPECT_TRUE(testkit::Await("the cancel exit", [] { return g_cancelled.load(); }));
      } else {
        // The page has dealt with the answer once it reads messages again.
        DWORD_PTR ignored = 0;
        EXPECT_NE(SendMessageTimeoutW(page, WM_NULL, 0, 0, SMTO_NORMAL, testkit::kHangTimeoutMs, &ignored), 0);
        EXPECT_FALSE(g_cancelled);
      }
    }
  });
  // The work goes on while the user answers: reports pump the messages.
  testkit::WaitUntil([] {
    WaitMinimumStatusTime(ProgressPageReporter());
    ReportProgress(ProgressPageReporter(), 50, String());
    return g_cancelled.load();
  });
  driver.join();
  EXPECT_TRUE(g_cancelled);
  CloseProgressPage();
}

TEST_F(Pages, UninstallProgressHasNoCancel) {
  ProgressPageInputs inputs;
  inputs.product = &Product();
  inputs.uninstalling = true;
  ASSERT_TRUE(OpenProgressPage(nullptr, inputs));
  HWND page = testkit::WaitForWindow(GetCurrentProcessId(), {testkit::kDialogClass});
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(testkit::WindowTitle(page), W(MessageText(Product().languages, 55)));
  EXPECT_EQ(ControlText(page, kText), W(MessageText(Product().languages, 71)));
  EXPECT_FALSE(IsWindowEnabled(testkit::FindControl(page, kCancel)));
  // Logging off is refused while the page is open.
  EXPECT_EQ(SendMessageW(page, WM_QUERYENDSESSION, 0, 0), FALSE);
  CloseProgressPage();
  EXPECT_FALSE(IsWindow(page));
}

// Set on this thread around the wait of AnsweredDuring, and read there by
// the hook that sees the probe message handled: no race with the sender.
bool g_in_wait = false;
bool g_answered_in_wait = false;
constexpr UINT kProbeMessage = WM_APP + 7;

LRESULT CALLBACK SeeProbe(int code, WPARAM wparam, LPARAM lparam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && message->message == kProbeMessage && g_in_wait) g_answered_in_wait = true;
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// Whether a window of this thread answered a message sent from another
// thread while `wait` ran: only a wait that pumps messages lets it.
bool AnsweredDuring(HWND window, const std::function<void()>& wait) {
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, SeeProbe, nullptr, GetCurrentThreadId());
  EXPECT_NE(hook, nullptr);
  g_in_wait = true;
  g_answered_in_wait = false;
  // Sent once the wait has begun; a wait that does not pump answers it only
  // after it has ended, when the hook no longer counts it.
  std::atomic<bool> sent{false};
  std::thread sender([&] {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, kProbeMessage, 0, 0, SMTO_NORMAL, testkit::kHangTimeoutMs, &result);
    sent = true;
  });
  wait();
  g_in_wait = false;
  // The sender is answered here at the latest: peeking handles sent messages.
  testkit::WaitUntil([&] {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    return sent.load();
  });
  sender.join();
  UnhookWindowsHookEx(hook);
  return g_answered_in_wait;
}

TEST_F(Pages, StatusTextsStayTheMinimumTimeOnlyOnAPageOfAnAttendedRun) {
  struct Case {
    const char* name;
    bool page, automatic, waits;
  };
  // Without a page (a silent run) and in an automatic run nothing waits at
  // all: the time is the maximum, so any wait would show.
  const Case cases[] = {
      {"attended", true, false, true}, {"automatic", true, true, false}, {"no page", false, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Product().settings.MinStatusTime = c.waits ? 1500 : 9999;
    ProgressPageInputs inputs;
    inputs.product = &Product();
    inputs.automatic = c.automatic;
    if (c.page) {
      ASSERT_TRUE(OpenProgressPage(nullptr, inputs));
    }
    const Progress progress = ProgressPageReporter();
    ReportProgress(progress, 10, MessageText(Product().languages, 8));
    DWORD waited = 0;
    const auto wait = [&] {
      const DWORD start = GetTickCount();
      WaitMinimumStatusTime(progress);
      waited = GetTickCount() - start;
    };
    if (c.waits) {
      // The page stays responsive while its text stays up.
      HWND page = testkit::WaitForWindow(GetCurrentProcessId(), {testkit::kDialogClass});
      ASSERT_NE(page, nullptr);
      EXPECT_TRUE(AnsweredDuring(page, wait));
      EXPECT_GE(waited, 1450u);
    } else {
      wait();
      EXPECT_LT(waited, 5000u) << "a wait would have taken the whole 9,999 ms";
    }
    CloseProgressPage();
  }
}

}  // namespace
