// The uninstaller's progress page as its removal uses it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/default_messages.h"
#include "core/codepage.h"
#include "core/scratch_folder_wintest.h"
#include "records/marked_path.h"
#include "records/shared_files.h"
#include "records/uninstall_value_names.h"
#include "testkit/testkit.h"
#include "uninstall/uninstall_stages_win.h"

namespace {

// The product as the uninstaller has it: the builder's English messages.
void UseEnglish(RunProduct& product, const String& name) {
  std::vector<LanguageMessages> languages{DefaultEnglish()};
  product.languages = MakeLanguageTable(languages);
  product.languages.product = name;
}

constexpr char16_t kProductKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bastionix Focus Test";

void DeleteProductKey() {
  RegistryKey root;
  if (root.Open(RegRoot::kLocalMachine, u"", kRegNoStack, kRegWriteAccess, RegView::kDefault)) {
    root.DeleteKey(kProductKey, 0);
  }
}

bool HoldsFocus(HWND window) {
  HWND focus = GetFocus();
  return focus && (focus == window || IsChild(window, focus));
}

// Unregistering a shared file runs other programs and loads the file; the
// progress page has the focus again afterwards, wherever it had gone.
TEST(UninstallSharedFiles, GiveTheProgressPageTheFocusBackAfterUnregistering) {
  ScratchFolder folder;
  const std::wstring file = folder / L"library.tlb";
  PutFile(file, "not a type library");  // unregistration fails quietly; the focus comes back anyway
  const String path(U16(file));
  RegistryKey counts;
  ASSERT_TRUE(counts.Open(RegRoot::kLocalMachine, kSharedDllsKey, kRegNoStack, kRegWriteAccess, RegView::kDefault));
  ASSERT_TRUE(counts.WriteNumber(path.w_str(), 1, 0));

  DeleteProductKey();
  uninstall::Run run;
  run.automatic = true;
  ASSERT_TRUE(run.key.Open(RegRoot::kLocalMachine, kProductKey, kRegNoStack, kRegWriteAccess, RegView::kDefault));
  String list("\"");
  list.Append(MarkPath(path));
  list.Append("\xA9\"");
  ASSERT_TRUE(run.key.WriteText(uninstall_value::kSharedFiles, AnsiToUtf16(list), 0));
  UseEnglish(run.product, String(u"Focus Test"));
  run.progress = run.windows.OpenProgress(run.product, run.automatic);
  HWND page = static_cast<HWND>(run.windows.progress_window());
  ASSERT_NE(page, nullptr);

  HWND elsewhere = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(elsewhere, nullptr);
  SetFocus(elsewhere);
  ASSERT_EQ(GetFocus(), elsewhere);

  uninstall::ReleaseSharedFiles(run);
  EXPECT_TRUE(HoldsFocus(page)) << "the focus is on " << GetFocus();
  EXPECT_FALSE(Exists(file));

  DestroyWindow(elsewhere);
  run.windows.Close();
  counts.DeleteValue(path.w_str(), 0);
  run.key.CloseAll();
  DeleteProductKey();
}

// The height and width the control's text needs, wrapped in its width.
SIZE NeededFor(HWND control) {
  RECT box{};
  GetClientRect(control, &box);
  wchar_t text[1024] = {};
  GetWindowTextW(control, text, 1024);
  HDC dc = GetDC(control);
  HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  DrawTextW(dc, text, -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old_font);
  ReleaseDC(control, dc);
  return SIZE{box.right - box.left, box.bottom - box.top};
}

// A product name of 60 characters would take the text past its box: the
// name is shortened with an ellipsis and the sentence keeps its end; a name
// that fits stays whole.
TEST(UninstallProgressPage, ShortensALongProductNameToFitTheText) {
  struct Case {
    const char* what;
    const char16_t* name;
    bool shortened;
  };
  const Case cases[] = {
      {"a name that fits", u"Acme Editor", false},
      {"a name of 60 characters", u"Acme Professional Document Management and Archival Suite 2025", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    uninstall::Run run;
    UseEnglish(run.product, String(c.name));
    run.windows.OpenBackground(run.product);
    run.progress = run.windows.OpenProgress(run.product, false);
    HWND page = static_cast<HWND>(run.windows.progress_window());
    ASSERT_NE(page, nullptr);
    HWND text = GetDlgItem(page, 1009);
    ASSERT_NE(text, nullptr);
    const std::wstring shown = testkit::ControlText(page, 1009);
    const std::wstring name(reinterpret_cast<const wchar_t*>(c.name));
    const std::wstring end = L" is removed from your computer.";
    EXPECT_EQ(shown.rfind(L"Please wait while ", 0), 0u) << shown;
    ASSERT_GE(shown.size(), end.size());
    EXPECT_EQ(shown.substr(shown.size() - end.size()), end) << shown;
    EXPECT_EQ(shown.find(name) == std::wstring::npos, c.shortened) << shown;
    EXPECT_EQ(shown.find(L"\u2026") != std::wstring::npos, c.shortened) << shown;
    if (c.shortened) {
      // As much of the name as there is room for: its start stays.
      EXPECT_NE(shown.find(name.substr(0, 20)), std::wstring::npos) << shown;
      EXPECT_TRUE(testkit::Screenshot(L"uninstall-progress-long-name"));
    }
    RECT box{};
    GetClientRect(text, &box);
    const SIZE needed = NeededFor(text);
    EXPECT_LE(needed.cy, box.bottom - box.top) << shown;
    EXPECT_LE(needed.cx, box.right - box.left) << shown;
  }
}

}  // namespace
