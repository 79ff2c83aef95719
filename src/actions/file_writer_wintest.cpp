#include <windows.h>

#include "actions/file_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "actions/file_date.h"
#include "core/codepage.h"
#include "core/file_stream.h"
#include "core/scratch_folder_wintest.h"
#include "package/message_numbers.h"
#include "package/run_product.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/restart_queue.h"
#include "records/restart_queue_wintest.h"
#include "records/working_log.h"
#include "testkit/files.h"

namespace {

const std::string kData = "packaged bytes\r\n";

std::string Utf8(const std::wstring& text) {
  const String converted = Utf16ToUtf8(reinterpret_cast<const char16_t*>(text.c_str()));
  return Text(converted);
}

std::string Ansi(const std::wstring& text) {
  return Text(Utf16ToAnsi(reinterpret_cast<const char16_t*>(text.c_str())));
}

// Holds a file open with no sharing at all, as a running program holds its
// own executable.
class Holder {
 public:
  explicit Holder(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
  }
  ~Holder() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;

 private:
  HANDLE handle_;
};

// What each file held when the writer said it was written, in order.
std::vector<std::pair<std::wstring, std::string>>& Told() {
  static std::vector<std::pair<std::wstring, std::string>> told;
  return told;
}
void SeeDone(void*, const String& path, const String& note, bool written) {
  const std::wstring wide(reinterpret_cast<const wchar_t*>(path.w_str()));
  const std::string held = written ? testkit::ReadFileBytes(wide).value_or("<none>") : "<failed>";
  Told().emplace_back(wide, held + Text(note));
}
const WriteDone kTell{&SeeDone, nullptr, String("!")};

uint64_t Ticks(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

// The writer's surroundings: the run's product (its rules, message 31), a working
// log in memory, an empty failure summary and no restart wanted yet.
class FileWriterRun : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    product_.settings.ProductFlags = 0;
    product_.languages = LanguageTable();
    product_.languages.names.Add(String(u"English"));
    product_.languages.messages.Resize(40);
    product_.languages.messages[message_number::kWriteFailed] = String(u"Unable to write");
    journal_.log.file.AttachStream(log_.stream());
    ClearFailures(journal_);
    journal_.restart_needed = false;
    Told().clear();
  }
  void TearDown() override {
    ForgetPendingPairsIn(folder_.path());
    journal_.log.file.Close();
    ClearFailures(journal_);
    journal_.restart_needed = false;
  }

  bool Write(const std::wstring& path, bool existed, int32_t attributes = -1, const FileDate& date = FileDate()) {
    pending_ = true;  // the writer must reset it
    return WritePackagedFile(FileWriteRulesOf(product_, journal_), String(U16(path)), kData.data(), static_cast<int32_t>(kData.size()), date, attributes,
                             existed, &pending_);
  }
  std::string Log() const { return Text(log_.content()); }
  std::string Failures() const { return Text(journal_.failures.text); }
  // The names in the scratch folder other than `except`.
  int OtherFiles(const wchar_t* except) const {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder_ / L"*").c_str(), &found);
    int count = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L".." && name != except) ++count;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return count;
  }

  ScratchFolder folder_;
  MemoryStream log_;
  bool pending_ = false;
  RunProduct product_;
};

TEST_F(FileWriterRun, WritesDataDateAndAttributesIntoMissingFolders) {
  product_.settings.SetFlag(product_flag::kVerifyAfterWrite, true);
  const std::wstring path = folder_ / L"new\\deeper\\file.bin";
  ASSERT_TRUE(Write(path, false, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY, FileDate{2021, 6, 7, 8, 9, 10}));
  EXPECT_FALSE(pending_);
  EXPECT_EQ(testkit::ReadFileBytes(path).value_or("<none>"), kData);
  // The folders were missing at the first attempt; success later leaves no text.
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(Failures(), "");

  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  uint64_t expected = 0;
  ASSERT_TRUE(FileDateToFileTime(FileDate{2021, 6, 7, 8, 9, 10}, &expected));
  EXPECT_EQ(Ticks(data.ftLastWriteTime), expected);
  EXPECT_EQ(Ticks(data.ftCreationTime), expected);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// What the caller saw before the write is only a hint: a file that came to
// the name since is replaced, one that went since is made anew, with the
// same content and no report either way.
TEST_F(FileWriterRun, AFileThatCameOrWentSinceTheLookIsWrittenAllTheSame) {
  struct Case {
    const wchar_t* name;
    bool existed;  // what the caller believed
    bool present;  // what is there
  } const cases[] = {
      {L"came.txt", false, true}, {L"went.txt", true, false}, {L"both.txt", true, true}, {L"none.txt", false, false}};
  for (const Case& c : cases) {
    const std::wstring path = folder_ / c.name;
    if (c.present) PutFile(path, "an older, longer file of that name\r\n");
    EXPECT_TRUE(Write(path, c.existed)) << Utf8(c.name);
    EXPECT_EQ(testkit::ReadFileBytes(path).value_or("<none>"), kData) << Utf8(c.name);
  }
  EXPECT_FALSE(pending_);
  EXPECT_EQ(Failures(), "");
}

// Content handed over in small pieces, as a large packaged file comes.
class PieceContent final : public FileContent {
 public:
  explicit PieceContent(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t length() const override { return static_cast<int64_t>(bytes_.size()); }
  void Rewind() override {
    at_ = 0;
    ++rewinds_;
  }
  ByteSpan Next() override {
    const size_t part = std::min<size_t>(1000, bytes_.size() - at_);
    ByteSpan piece{reinterpret_cast<const uint8_t*>(bytes_.data()) + at_, part};
    at_ += part;
    return piece;
  }
  int rewinds() const { return rewinds_; }

 private:
  std::string bytes_;
  size_t at_ = 0;
  int rewinds_ = 0;
};

std::string Pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 7 + i / 1000);
  return bytes;
}

TEST_F(FileWriterRun, ContentInPiecesIsWrittenReadBackAndStaged) {
  const std::string bytes = Pattern(25500);
  const FileDate date{2019, 12, 31, 23, 59, 58};
  // Without a read-back the attributes go on with the date, on the writing handle.
  const std::wstring plain = folder_ / L"plain.bin";
  PieceContent once(bytes);
  ASSERT_TRUE(WritePackagedFile(FileWriteRulesOf(product_, journal_), String(U16(plain)), once, date, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
                                false, &pending_));
  EXPECT_EQ(testkit::ReadFileBytes(plain).value_or("<none>"), bytes);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(plain.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  uint64_t expected = 0;
  ASSERT_TRUE(FileDateToFileTime(date, &expected));
  EXPECT_EQ(Ticks(data.ftLastWriteTime), expected);
  SetFileAttributesW(plain.c_str(), FILE_ATTRIBUTE_NORMAL);

  // Read back piece by piece: the content is gone through twice.
  product_.settings.SetFlag(product_flag::kVerifyAfterWrite, true);
  const std::wstring checked = folder_ / L"checked.bin";
  PieceContent twice(bytes);
  ASSERT_TRUE(WritePackagedFile(FileWriteRulesOf(product_, journal_), String(U16(checked)), twice, date, -1, false, &pending_));
  EXPECT_EQ(twice.rewinds(), 2);
  EXPECT_EQ(testkit::ReadFileBytes(checked).value_or("<none>"), bytes);
  EXPECT_EQ(Failures(), "");

  // A file in use: the temporary file beside it gets the whole content.
  const std::wstring busy = folder_ / L"busy.dll";
  PutFile(busy, "running");
  PieceContent staged(bytes);
  {
    Holder holder(busy);
    EXPECT_FALSE(WritePackagedFile(FileWriteRulesOf(product_, journal_), String(U16(busy)), staged, date, -1, true, &pending_));
  }
  EXPECT_TRUE(pending_);
  const Vector<PendingRename> pairs = PendingPairsIn(folder_.path());
  ASSERT_EQ(pairs.Count(), 1);
  const String source = WithoutPendingPrefix(pairs[0].source);
  const std::wstring temporary(reinterpret_cast<const wchar_t*>(source.w_str()));
  EXPECT_EQ(testkit::ReadFileBytes(temporary).value_or("<none>"), bytes);
  DeleteFileW(temporary.c_str());
}

// A source whose read fails after its first piece, as a copy of the
// installer may.
class FailingContent final : public FileContent {
 public:
  int64_t length() const override { return 4000; }
  void Rewind() override { at_ = 0; }
  ByteSpan Next() override {
    if (at_++ > 0) return {nullptr, 0};
    return {reinterpret_cast<const uint8_t*>(piece_), sizeof piece_};
  }
  uint32_t error() const override { return at_ > 1 ? ERROR_READ_FAULT : 0; }

 private:
  char piece_[1000] = {'M', 'Z'};
  int at_ = 0;
};

// Neither moved into place nor staged: the earlier file stays, the failure
// is reported, and nothing waits for the restart, even for a file in use.
TEST_F(FileWriterRun, ASourceThatFailsPartWayReplacesNothing) {
  for (const bool in_use : {false, true}) {
    const std::wstring path = folder_ / L"uninstall.exe";
    PutFile(path, "old uninstaller");
    FailingContent content;
    {
      Holder holder(in_use ? path : folder_ / L"other.txt");
      EXPECT_FALSE(WritePackagedFile(FileWriteRulesOf(product_, journal_), String(U16(path)), content, FileDate(), -1,
                                     true, &pending_));
    }
    EXPECT_FALSE(pending_) << in_use;
    EXPECT_EQ(PendingPairsIn(folder_.path()).Count(), 0) << in_use;
    EXPECT_FALSE(journal_.restart_needed) << in_use;
    EXPECT_EQ(testkit::ReadFileBytes(path).value_or("<none>"), "old uninstaller") << in_use;
    EXPECT_NE(Failures().find("Unable to write " + Ansi(path)), std::string::npos) << Failures();
    EXPECT_EQ(OtherFiles(L"uninstall.exe") - 1, 0) << "a temporary file stayed";  // other.txt aside
    ClearFailures(journal_);
  }
}

TEST_F(FileWriterRun, SmallFilesAreFinishedBehindInOrderAndCompletely) {
  const FileDate date{2018, 4, 5, 6, 7, 8};
  std::vector<std::string> contents;
  for (int i = 0; i < 20; ++i) contents.push_back(Pattern(100 + static_cast<size_t>(i) * 997));
  for (int i = 0; i < 20; ++i) {
    MemoryContent content(contents[i].data(), static_cast<int64_t>(contents[i].size()));
    const std::wstring path = folder_ / (L"behind" + std::to_wstring(i) + L".bin").c_str();
    ASSERT_TRUE(WritePackagedFileBehind(FileWriteRulesOf(product_, journal_), String(U16(path)), content, date, i == 3 ? FILE_ATTRIBUTE_READONLY : -1,
                                        false, &pending_, kTell));
    EXPECT_FALSE(pending_);
  }
  // The same name again while it may still be on its way: the last content wins.
  const std::wstring again = folder_ / L"behind19.bin";
  MemoryContent last(kData.data(), static_cast<int64_t>(kData.size()));
  ASSERT_TRUE(WritePackagedFileBehind(FileWriteRulesOf(product_, journal_), String(U16(again)), last, date, -1, false, &pending_, kTell));
  EXPECT_LE(Told().size(), 20u);  // the last one may still be on its way
  FinishWritesBehind();
  // Each file was reported once, in order, and only when it held its data
  // (the name written twice held either content at its first report).
  ASSERT_EQ(Told().size(), 21u);
  for (size_t i = 0; i < 21; ++i) {
    const std::wstring path = folder_ / (L"behind" + std::to_wstring(i < 20 ? i : 19) + L".bin").c_str();
    EXPECT_EQ(Told()[i].first, path) << i;
    if (i != 19) {
      EXPECT_EQ(Told()[i].second, (i < 20 ? contents[i] : kData) + "!") << i;
    }
  }
  uint64_t expected = 0;
  ASSERT_TRUE(FileDateToFileTime(date, &expected));
  for (int i = 0; i < 19; ++i) {
    const std::wstring path = folder_ / (L"behind" + std::to_wstring(i) + L".bin").c_str();
    EXPECT_EQ(testkit::ReadFileBytes(path).value_or("<none>"), contents[i]) << i;
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(Ticks(data.ftLastWriteTime), expected) << i;
    EXPECT_EQ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0, i == 3) << i;
  }
  EXPECT_EQ(testkit::ReadFileBytes(again).value_or("<none>"), kData);
  SetFileAttributesW((folder_ / L"behind3.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Failures(), "");
}

// A device is no file: nothing is written to it and nothing replaces it
// (and so a full disk can no longer be played by /dev/full under Wine).
TEST_F(FileWriterRun, ADeviceAtTheDestinationIsRefusedAndReported) {
  const std::wstring full = L"Z:\\dev\\full";
  MemoryContent content(kData.data(), static_cast<int64_t>(kData.size()));
  // Refused when the written file is to take the device's name, which may
  // be after the hand-over: the outcome is what the caller is told.
  WritePackagedFileBehind(FileWriteRulesOf(product_, journal_), String(U16(full)), content, FileDate(), -1, false,
                          &pending_, kTell);
  FinishWritesBehind();
  EXPECT_FALSE(pending_);
  EXPECT_EQ(Told(), (std::vector<std::pair<std::wstring, std::string>>{{full, "<failed>!"}}));
  const std::string failures = Failures();
  EXPECT_EQ(failures.rfind("\r\nUnable to write Z:\\dev\\full\r\n", 0), 0u) << failures;
  EXPECT_EQ(OtherFiles(L""), 0);  // nothing staged anywhere near
  WIN32_FIND_DATAW found;
  HANDLE left = FindFirstFileW(L"Z:\\dev\\*.tmp", &found);
  EXPECT_EQ(left, INVALID_HANDLE_VALUE) << "a temporary file stayed beside the device";
  if (left != INVALID_HANDLE_VALUE) FindClose(left);
}

TEST_F(FileWriterRun, FilesThatCannotGoBehindTakeTheUsualWay) {
  // In use: staged as ever.
  const std::wstring busy = folder_ / L"busy.dll";
  PutFile(busy, "running");
  {
    Holder holder(busy);
    MemoryContent content(kData.data(), static_cast<int64_t>(kData.size()));
    EXPECT_FALSE(WritePackagedFileBehind(FileWriteRulesOf(product_, journal_), String(U16(busy)), content, FileDate(), -1, true, &pending_, kTell));
  }
  EXPECT_TRUE(pending_);
  // Staged is not written.
  EXPECT_EQ(Told(), (std::vector<std::pair<std::wstring, std::string>>{{busy, "<failed>!"}}));
  const Vector<PendingRename> pairs = PendingPairsIn(folder_.path());
  ASSERT_EQ(pairs.Count(), 1);
  DeleteFileW(reinterpret_cast<const wchar_t*>(WithoutPendingPrefix(pairs[0].source).w_str()));

  // Larger than a hand-over, or to be read back: written at once, complete
  // when the call returns.
  const std::string large = Pattern(static_cast<size_t>(kWriteBehindLimit) + 1);
  const std::wstring big = folder_ / L"big.bin";
  MemoryContent large_content(large.data(), static_cast<int64_t>(large.size()));
  ASSERT_TRUE(WritePackagedFileBehind(FileWriteRulesOf(product_, journal_), String(U16(big)), large_content, FileDate(), -1, false, &pending_, kTell));
  EXPECT_EQ(testkit::ReadFileBytes(big).value_or("<none>"), large);
  ASSERT_EQ(Told().size(), 2u);
  EXPECT_EQ(Told()[1], std::make_pair(big, large + "!"));
  product_.settings.SetFlag(product_flag::kVerifyAfterWrite, true);
  const std::wstring checked = folder_ / L"checked.bin";
  MemoryContent content(kData.data(), static_cast<int64_t>(kData.size()));
  ASSERT_TRUE(WritePackagedFileBehind(FileWriteRulesOf(product_, journal_), String(U16(checked)), content, FileDate(), -1, false, &pending_, kTell));
  EXPECT_EQ(testkit::ReadFileBytes(checked).value_or("<none>"), kData);
  EXPECT_EQ(Told().size(), 3u);
  FinishWritesBehind();
}

TEST_F(FileWriterRun, FileInUseIsStagedForTheRestart) {
  const std::wstring path = folder_ / L"in use.dll";
  PutFile(path, "running");
  {
    Holder holder(path);
    EXPECT_FALSE(Write(path, true, -1, FileDate{2020, 1, 2, 3, 4, 5}));
  }
  EXPECT_TRUE(pending_);
  EXPECT_EQ(Failures(), "");
  EXPECT_TRUE(journal_.restart_needed);
  EXPECT_TRUE(journal_.restart_needed);
  EXPECT_EQ(testkit::ReadFileBytes(path).value_or("<none>"), "running");

  // The queue holds one move from a temporary file beside the destination.
  const Vector<PendingRename> pairs = PendingPairsIn(folder_.path());
  ASSERT_EQ(pairs.Count(), 1);
  const String target = FoldedPath(WithoutPendingPrefix(pairs[0].target));
  EXPECT_TRUE(target == FoldedPath(String(U16(path))));
  const String source = WithoutPendingPrefix(pairs[0].source);
  const std::wstring temporary(reinterpret_cast<const wchar_t*>(source.w_str()));
  EXPECT_EQ(temporary.rfind(folder_.path(), 0), 0u) << Utf8(temporary);
  EXPECT_EQ(temporary.find(L'\\', folder_.path().size()), std::wstring::npos);
  EXPECT_EQ(testkit::ReadFileBytes(temporary).value_or("<none>"), kData);

  // The report goes to the working log only.
  const std::string log = Log();
  EXPECT_EQ(log.rfind("\r\nUnable to write " + Utf8(path) + "\r\n", 0), 0u) << log;
  std::string staged = "\"";
  staged += Utf8(path);
  staged += "\" was successfully registered for replacement.\r\nTemporary file is \"";
  staged += Utf8(temporary);
  staged += "\"\r\nReboot will be required.\r\n\r\n";
  ASSERT_GE(log.size(), staged.size());
  EXPECT_EQ(log.substr(log.size() - staged.size()), staged);
  DeleteFileW(temporary.c_str());
}

TEST_F(FileWriterRun, FileInUseThatIsNewIsStagedOnlyWhenTheProductSaysSo) {
  const std::wstring path = folder_ / L"fresh.dll";
  {
    Holder holder(path);
    EXPECT_FALSE(Write(path, false));
  }
  EXPECT_FALSE(pending_);
  EXPECT_EQ(PendingPairsIn(folder_.path()).Count(), 0);
  EXPECT_EQ(OtherFiles(L"fresh.dll"), 0);  // no temporary file left behind
  EXPECT_FALSE(journal_.restart_needed);
  EXPECT_EQ(Log(), "");
  const std::string failures = Failures();
  EXPECT_EQ(failures.rfind("\r\nUnable to write " + Ansi(path) + "\r\n", 0), 0u) << failures;
  EXPECT_GT(failures.size(), ("\r\nUnable to write " + Ansi(path) + "\r\n").size() + 4);  // the system's text
  EXPECT_EQ(failures.substr(failures.size() - 4), "\r\n\r\n");

  ClearFailures(journal_);
  product_.settings.SetFlag(product_flag::kStageNewFiles, true);
  {
    Holder holder(path);
    EXPECT_FALSE(Write(path, false));
  }
  EXPECT_TRUE(pending_);
  EXPECT_EQ(PendingPairsIn(folder_.path()).Count(), 1);
  EXPECT_EQ(Failures(), "");
  EXPECT_TRUE(journal_.restart_needed);
}

TEST_F(FileWriterRun, MissingDriveIsReportedAndNeverStaged) {
  const DWORD drives = GetLogicalDrives();
  wchar_t letter = 0;
  for (wchar_t c = L'Y'; c >= L'D' && !letter; --c) {
    if (!(drives >> (c - L'A') & 1)) letter = c;
  }
  ASSERT_NE(letter, 0) << "every drive letter is taken";
  const std::wstring path = std::wstring(1, letter) + L":\\Product\\gone.dll";
  product_.settings.SetFlag(product_flag::kStageNewFiles, true);
  EXPECT_FALSE(Write(path, true));
  EXPECT_FALSE(pending_);
  EXPECT_EQ(Failures(), "\r\nUnable to write " + Ansi(path) + "\r\nDrive " + static_cast<char>(letter) +
                            ": is not present.\r\n");
  EXPECT_EQ(Log(), "");
  EXPECT_FALSE(journal_.restart_needed);
}

TEST(RestartOperations, MoveAndDeleteAreQueuedWithBusyAsTheLastError) {
  ScratchFolder folder;
  const std::wstring source = folder / L"new.tmp";
  const std::wstring target = folder / L"target.dll";
  const std::wstring doomed = folder / L"doomed.txt";
  PutFile(source, "new");
  PutFile(doomed, "x");

  SetLastError(0);
  ASSERT_TRUE(MoveFileAtRestart(String(U16(source)), String(U16(target))));
  EXPECT_EQ(GetLastError(), kDeferredOperationError);
  SetLastError(0);
  ASSERT_TRUE(DeleteFileAtRestart(String(U16(doomed))));
  EXPECT_EQ(GetLastError(), kDeferredOperationError);

  const Vector<PendingRename> pairs = PendingPairsIn(folder.path());
  ASSERT_EQ(pairs.Count(), 2);
  EXPECT_TRUE(FoldedPath(WithoutPendingPrefix(pairs[0].source)) == FoldedPath(String(U16(source))));
  EXPECT_TRUE(FoldedPath(WithoutPendingPrefix(pairs[0].target)) == FoldedPath(String(U16(target))));
  EXPECT_TRUE(FoldedPath(WithoutPendingPrefix(pairs[1].source)) == FoldedPath(String(U16(doomed))));
  EXPECT_TRUE(pairs[1].is_deletion());
  EXPECT_TRUE(Exists(doomed));  // nothing happens before the restart
  ForgetPendingPairsIn(folder.path());
  EXPECT_EQ(PendingPairsIn(folder.path()).Count(), 0);

  SetLastError(0);
  EXPECT_FALSE(MoveFileAtRestart(String(), String(U16(target))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileAtRestart(String()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
