#include <windows.h>

#include "records/journal.h"
#include "records/restart_queue.h"

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "core/file_stream.h"
#include "core/scratch_folder_wintest.h"
#include "records/restart_queue_wintest.h"
#include "records/working_log.h"

namespace {

String Stored(const wchar_t* prefix, const std::wstring& path) {
  String stored(reinterpret_cast<const char16_t*>(prefix));
  stored.AppendW(U16(path));
  return stored;
}

PendingRename Pair(const std::wstring& source, const std::wstring& target) {
  PendingRename pair;
  pair.source = Stored(L"\\??\\", source);
  if (!target.empty()) pair.target = Stored(L"!\\??\\", target);
  return pair;
}

std::string Utf8Folded(const std::wstring& path) {
  String folded = FoldedPath(String(U16(path)));
  return Text(Utf16ToUtf8(folded));
}

// Pairs queued by an earlier run for files in a scratch folder: a stale
// replacement of a file now written, a replacement of another file, and a
// deletion of a file now written.
class PendingCleanupRun : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    PutFile(folder_ / L"stale.tmp", "old copy");
    PutFile(folder_ / L"other.tmp", "other copy");
    Vector<PendingRename> pairs;
    pairs.Add(Pair(folder_ / L"stale.tmp", folder_ / L"Written.DLL"));
    pairs.Add(Pair(folder_ / L"other.tmp", folder_ / L"other.dll"));
    pairs.Add(Pair(folder_ / L"Data.ini", L""));
    QueuePendingPairs(pairs);
    AddToFileSet(&written_, String(U16(folder_ / L"written.dll")));
    AddToFileSet(&written_, String(U16(folder_ / L"data.ini")));
    journal_.log.file.AttachStream(log_.stream());
  }
  void TearDown() override {
    journal_.log.file.Close();
    ForgetPendingPairsIn(folder_.path());
  }

  ScratchFolder folder_;
  FileSet written_;
  MemoryStream log_;
};

TEST_F(PendingCleanupRun, InstallDropsWhatWouldUndoTheWrittenFilesAndLogsIt) {
  const int32_t before = ReadPendingQueue().Count();
  CleanPendingOperations(journal_, written_, PendingCleanupMode::kInstall);

  const Vector<PendingRename> mine = PendingPairsIn(folder_.path());
  ASSERT_EQ(mine.Count(), 1);
  EXPECT_TRUE(FoldedPath(WithoutPendingPrefix(mine[0].target)) == FoldedPath(String(U16(folder_ / L"other.dll"))));
  EXPECT_EQ(ReadPendingQueue().Count(), before - 2);  // pairs of others stay
  EXPECT_FALSE(Exists(folder_ / L"stale.tmp"));      // the orphaned copy is gone
  EXPECT_TRUE(Exists(folder_ / L"other.tmp"));
  EXPECT_EQ(Text(log_.content()), "\r\nFile \"" + Utf8Folded(folder_ / L"written.dll") +
                                      "\" was removed from the list of pending moves.\r\n"
                                      "File \"" + Utf8Folded(folder_ / L"data.ini") +
                                      "\" was removed from the list of pending deletions.\r\n");
}

TEST_F(PendingCleanupRun, UninstallDropsTheSameWithoutALog) {
  CleanPendingOperations(journal_, written_, PendingCleanupMode::kUninstall);
  EXPECT_EQ(PendingPairsIn(folder_.path()).Count(), 1);
  EXPECT_EQ(Text(log_.content()), "");
}

TEST_F(PendingCleanupRun, NothingListedLeavesTheQueueAlone) {
  const int32_t before = ReadPendingQueue().Count();
  CleanPendingOperations(journal_, FileSet(), PendingCleanupMode::kUninstall);
  EXPECT_EQ(ReadPendingQueue().Count(), before);
  EXPECT_EQ(PendingPairsIn(folder_.path()).Count(), 3);
  EXPECT_TRUE(Exists(folder_ / L"stale.tmp"));
}

}  // namespace
