#include <windows.h>

#include "core/folder_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/scratch_folder_wintest.h"

namespace {

struct Seen {
  std::vector<std::wstring> paths;
  int stop_after = -1;  // answers "stop" when this many entries were seen

  static bool Visit(const WalkEntry& entry, void* context) {
    auto* self = static_cast<Seen*>(context);
    self->paths.emplace_back(reinterpret_cast<const wchar_t*>(entry.path->w_str()));
    return self->stop_after < 0 || static_cast<int>(self->paths.size()) < self->stop_after;
  }
};

// scratch\a.txt (3 bytes), b.log (5), desktop.ini (7), sub\c.txt (11), sub\deeper\d.txt (13)
void MakeTree(const ScratchFolder& scratch) {
  PutFile(scratch / L"a.txt", "aaa");
  PutFile(scratch / L"b.log", "bbbbb");
  PutFile(scratch / L"desktop.ini", "ddddddd");
  ASSERT_TRUE(CreateDirectoryW((scratch / L"sub").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((scratch / L"sub\\deeper").c_str(), nullptr));
  PutFile(scratch / L"sub\\c.txt", "ccccccccccc");
  PutFile(scratch / L"sub\\deeper\\d.txt", "ddddddddddddd");
}

TEST(WalkFolder, PatternInOneFolder) {
  ScratchFolder scratch;
  MakeTree(scratch);
  Seen seen;
  EXPECT_EQ(WalkFolder(U16(scratch / L"*.txt"), 0, &Seen::Visit, &seen), 3);
  EXPECT_EQ(seen.paths, std::vector<std::wstring>{scratch / L"a.txt"});
}

TEST(WalkFolder, SubfoldersComeAfterTheirParentsEntries) {
  ScratchFolder scratch;
  MakeTree(scratch);
  Seen seen;
  EXPECT_EQ(WalkFolder(U16(scratch / L"*.txt /s"), 0, &Seen::Visit, &seen), 3 + 11 + 13);
  EXPECT_EQ(seen.paths, (std::vector<std::wstring>{scratch / L"a.txt", scratch / L"sub\\c.txt",
                                                   scratch / L"sub\\deeper\\d.txt"}));
}

TEST(WalkFolder, OptionsChooseWhatIsReported) {
  ScratchFolder scratch;
  MakeTree(scratch);
  Seen all;
  EXPECT_EQ(WalkFolder(U16(scratch / L"*.*"), kWalkNoMessages, &Seen::Visit, &all), 3 + 5 + 7);
  EXPECT_EQ(all.paths.size(), 3u);  // the folder "sub" is not reported, nor are "." and ".."

  Seen skipping;
  EXPECT_EQ(WalkFolder(U16(scratch / L"*.* /s"), kWalkSkipShellFiles, &Seen::Visit, &skipping), 3 + 5 + 11 + 13);

  Seen folders;
  EXPECT_EQ(WalkFolder(U16(scratch / L"* /s"), kWalkFolders | kWalkNoFiles | kWalkBareNames, &Seen::Visit, &folders),
            0);
  std::sort(folders.paths.begin(), folders.paths.end());
  EXPECT_EQ(folders.paths, (std::vector<std::wstring>{L"deeper", L"sub"}));
}

TEST(WalkFolder, TheVisitorCanCancel) {
  ScratchFolder scratch;
  MakeTree(scratch);
  Seen seen;
  seen.stop_after = 2;
  SetLastError(0);
  EXPECT_EQ(WalkFolder(U16(scratch / L"*.* /s"), 0, &Seen::Visit, &seen), kWalkCancelled);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANCELLED));
  EXPECT_EQ(seen.paths.size(), 2u);
}

TEST(WalkFolder, NoVisitorJustTotalsAndNoMatchIsZero) {
  ScratchFolder scratch;
  MakeTree(scratch);
  EXPECT_EQ(WalkFolder(U16(scratch / L"*.log /s"), 0, nullptr, nullptr), 5);
  EXPECT_EQ(WalkFolder(U16(scratch / L"*.none /s"), 0, nullptr, nullptr), 0);
  EXPECT_EQ(WalkFolder(U16(scratch / L"missing\\*.*"), 0, nullptr, nullptr), 0);
}

int g_delivered = 0;

LRESULT CALLBACK CountingWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) ++g_delivered;
  return DefWindowProcW(window, message, w, l);
}

TEST(WalkFolder, PendingMessagesAreHandledUnlessAsked) {
  ScratchFolder scratch;
  MakeTree(scratch);
  // A message for this thread's queue; a walk that pumps hands it on.
  g_delivered = 0;
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = &CountingWindow;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"BxWalkTest";
  RegisterClassW(&window_class);
  HWND window = CreateWindowW(L"BxWalkTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);

  PostMessageW(window, WM_APP, 0, 0);
  WalkFolder(U16(scratch / L"*.*"), kWalkNoMessages, nullptr, nullptr);
  EXPECT_EQ(g_delivered, 0);
  WalkFolder(U16(scratch / L"*.*"), 0, nullptr, nullptr);
  EXPECT_EQ(g_delivered, 1);
  DestroyWindow(window);
}

}  // namespace
