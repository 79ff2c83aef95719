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

}  // namespace
