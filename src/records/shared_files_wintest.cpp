#include <windows.h>

#include "records/journal.h"
#include "records/shared_files.h"

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "core/registry_win.h"
#include "core/scratch_folder_wintest.h"
#include "records/failure_summary.h"
#include "records/marked_path.h"
#include "records/uninstall_value_names.h"

namespace {

constexpr char16_t kProductKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bastionix Shared Test";

String Path(const std::wstring& path) { return String(U16(path)); }

// A product whose "SharedFiles" lists files of a scratch folder, with
// their counts under SharedDLLs.
class SharedFilePassRun : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    ClearFailures(journal_);
    DeleteProductKey();  // what a stopped run left
    ASSERT_TRUE(product_.Open(RegRoot::kLocalMachine, kProductKey, kRegNoStack, kRegWriteAccess, RegView::kDefault));
    ASSERT_TRUE(counts_.Open(RegRoot::kLocalMachine, kSharedDllsKey, kRegNoStack, kRegWriteAccess, RegView::kDefault));
  }
  static void DeleteProductKey() {
    RegistryKey root;
    if (root.Open(RegRoot::kLocalMachine, u"", kRegNoStack, kRegWriteAccess, RegView::kDefault)) {
      root.DeleteKey(kProductKey, 0);
    }
  }
  void TearDown() override {
    for (const String& name : counted_) counts_.DeleteValue(name.w_str(), 0);
    counts_.CloseAll();
    product_.CloseAll();
    DeleteProductKey();
    ClearFailures(journal_);
  }

  // A file in the scratch folder with its count (none when count < 0) and
  // its entry in the list: the marked path, then `marks`.
  String Shared(const wchar_t* name, int count, const char* marks = "") {
    const String path = Path(folder_ / name);
    PutFile(folder_ / name, "shared");
    if (count >= 0) {
      counts_.WriteNumber(path.w_str(), static_cast<uint32_t>(count), 0);
      counted_.Add(path);
    }
    if (!list_.empty()) list_.Append(';');
    list_.Append('"');
    list_.Append(MarkPath(path));
    list_.Append(marks);
    list_.Append('"');
    return path;
  }
  // The list as the installer stores it: 8-bit text through the ANSI code page.
  void StoreList() { ASSERT_TRUE(product_.WriteText(uninstall_value::kSharedFiles, AnsiToUtf16(list_), 0)); }
  bool HasCount(const String& path, uint32_t* count) { return counts_.ReadNumber(path.w_str(), count, 0); }

  ScratchFolder folder_;
  RegistryKey product_;
  RegistryKey counts_;
  String list_;
  Array<String> counted_;
};

TEST_F(SharedFilePassRun, CountsGoDownAndUnusedFilesGo) {
  const String last = Shared(L"last user.dll", 1);
  const String still_used = Shared(L"still used.dll", 2);
  const String permanent = Shared(L"permanent.dll", 1, " ");
  const String uncounted = Shared(L"uncounted.dll", -1);
  const String server = Shared(L"server.dll", 1, "\xA9^");
  const String wide = Shared(L"\u00E9t\u00E9 \u4E2D.dll", 1);
  StoreList();

  SharedFilePassOptions options;

  options.journal = &journal_;

  options.ask_before_deleting = true;  // would ask, if the run were not automatic
  options.automatic = true;
  EXPECT_TRUE(RunSharedFilePass(product_, options));

  uint32_t count = 0;
  EXPECT_FALSE(HasCount(last, &count));
  EXPECT_FALSE(Exists(folder_ / L"last user.dll"));
  ASSERT_TRUE(HasCount(still_used, &count));
  EXPECT_EQ(count, 1u);
  EXPECT_TRUE(Exists(folder_ / L"still used.dll"));
  EXPECT_FALSE(HasCount(permanent, &count));
  EXPECT_TRUE(Exists(folder_ / L"permanent.dll"));
  EXPECT_TRUE(Exists(folder_ / L"uncounted.dll"));
  // Not a real server: both ways of unregistering fail, and the file goes anyway.
  EXPECT_FALSE(HasCount(server, &count));
  EXPECT_FALSE(Exists(folder_ / L"server.dll"));
  EXPECT_FALSE(HasCount(wide, &count));
  EXPECT_FALSE(Exists(folder_ / L"\u00E9t\u00E9 \u4E2D.dll"));

  EXPECT_FALSE(product_.ValueExists(uninstall_value::kSharedFiles));
  EXPECT_EQ(Text(journal_.failures.text), "");
}

TEST_F(SharedFilePassRun, FileInUseStaysWithoutAReport) {
  const String busy = Shared(L"busy.dll", 1);
  StoreList();
  HANDLE holder = CreateFileW((folder_ / L"busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  SharedFilePassOptions options;
  options.journal = &journal_;
  options.ask_before_deleting = true;  // would ask, if the run were not automatic
  options.automatic = true;
  EXPECT_TRUE(RunSharedFilePass(product_, options));
  CloseHandle(holder);
  uint32_t count = 0;
  EXPECT_FALSE(HasCount(busy, &count));
  EXPECT_TRUE(Exists(folder_ / L"busy.dll"));
  EXPECT_EQ(Text(journal_.failures.text), "");
}

TEST_F(SharedFilePassRun, EmptyListDoesNothing) {
  SharedFilePassOptions options;
  options.journal = &journal_;
  options.ask_before_deleting = true;  // would ask, if the run were not automatic
  options.automatic = true;
  EXPECT_TRUE(RunSharedFilePass(product_, options));
  EXPECT_EQ(Text(journal_.failures.text), "");
}

}  // namespace
