#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "actions/file_deletion_run.h"
#include "core/scratch_folder_wintest.h"
#include "testkit/files.h"

namespace {

// In uninstall mode an entry leaves the list only when it deleted a file and
// left none: one whose files were all kept by their condition, or that
// matched nothing, waits in the rewritten data file for a later run.
TEST(FileDeletions, OnlyAnEntryThatDeletedSomethingLeavesTheUninstallList) {
  struct Case {
    const char* pattern;
    uint8_t mode;
    const char* value;
    bool stays;
    bool file_left;
  } cases[] = {
      {"four.txt", 4, "4", false, false},     // the size condition holds: deleted
      {"four.txt", 4, "5", true, true},       // the condition keeps the file
      {"none.txt", 0, "", true, true},        // nothing matches
      {"*.txt", 6, "4", false, false},        // one of two kept by its size, one deleted
      {"four.txt", 0, "", false, false},      // always
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " " + c.value);
    ScratchFolder folder;
    const std::wstring four = folder.path() + L"four.txt";
    PutFile(four, "four");
    PutFile(folder / L"seven.txt", "seven!!");
    Vector<FileDeletion> list;
    FileDeletion& entry = list.Add(FileDeletion{});
    entry.name = String(c.pattern);
    entry.mode = c.mode;
    entry.path = String(c.value);
    entry.flags = FileDeletion::kAtUninstall;
    Journal journal;
    FileDeletionRun run;
    run.uninstalling = true;
    const std::wstring product = folder.path().substr(0, folder.path().size() - 1);
    run.product_folder = String(U16(product));
    run.journal = &journal;
    RunFileDeletions(&list, &run);
    EXPECT_EQ(list.Count(), c.stays ? 1 : 0);
    EXPECT_EQ(testkit::FileExists(four), c.file_left);
  }
}

}  // namespace
