#include <windows.h>

#include <atomic>
#include <cstring>

#include "actions/file_date.h"
#include "actions/file_writer.h"
#include "core/file.h"
#include "core/file_ops.h"
#include "core/final_path.h"
#include "core/redirection_win.h"
#include "core/system_error_text.h"
#include "package/corrupt_report.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/restart_queue.h"

namespace {

constexpr int kAttempts = 3;
constexpr DWORD kRetryDelayMs = 50;
constexpr DWORD kProtectiveAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Puts creation and last-write time from a complete date, and the
// attributes unless they are 0, on the open file in one call: a separate
// attribute change by name would cost another open of the file.
void SetBasicInfo(HANDLE file, const FileDate& date, DWORD attributes) {
  FILE_BASIC_INFO info = {};
  uint64_t time = 0;
  if (FileDateToFileTime(date, &time)) {
    info.CreationTime.QuadPart = static_cast<LONGLONG>(time);
    info.LastWriteTime.QuadPart = static_cast<LONGLONG>(time);
  }
  info.FileAttributes = attributes;
  if (time != 0 || attributes != 0) SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info);
}

// What keeps an existing file from being replaced, checked before anything
// is written: a program that holds it (the open asks for the deletion a
// replacement needs), a link that leads elsewhere (reported, never written
// through or replaced), and a read-only, hidden or system file.
// ERROR_SUCCESS, also when the file has gone meanwhile.
DWORD CheckExisting(const String& path) {
  HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(path.w_str()), DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
  }
  DWORD error = ERROR_SUCCESS;
  BY_HANDLE_FILE_INFORMATION info;
  if (!HandleLeadsTo(handle, path)) {
    error = kErrorLeadsElsewhere;
  } else if (GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & kProtectiveAttributes)) {
    error = ERROR_ACCESS_DENIED;
  }
  CloseHandle(handle);
  return error;
}

// Whether the volumes written so far give a file a second name: then the
// temporary file is deleted on close from its creation on and takes its
// destination as a hard link (no moment at which a run that ends leaves it
// behind); else it is kept just before it is renamed. A fact of the system,
// learnt once.
std::atomic<bool> g_links_work{true};
bool LinksWork() { return g_links_work.load(std::memory_order_relaxed); }
bool NoLinksHere(DWORD error) { return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION; }

// The file is written under a fresh name beside its destination, made
// exclusively and deleted by the system should the run end before it is
// whole: a destination only ever holds the earlier file or the whole new
// one. False with the system's error in *error.
bool OpenForWriting(const String& path, bool existed, bool read_back, File* file, DWORD* error) {
  *error = existed ? CheckExisting(path) : ERROR_SUCCESS;
  if (*error != ERROR_SUCCESS) return false;
  const uint32_t flags =
      kOpenNewTemporaryBeside | (LinksWork() ? kOpenDeleteOnClose : kOpenUntilKept) | (read_back ? 0u : kOpenNoRead);
  if (file->Open(ParentFolder(path).w_str(), flags) == kFileOk) return true;
  *error = GetLastError();
  return false;
}

// All of the content, or false with the system's error in *error: also when
// the content itself ended early (a source that failed to read).
bool WriteContent(File* file, FileContent& content, DWORD* error) {
  content.Rewind();
  int64_t written = 0;
  for (ByteSpan piece = content.Next(); piece.length > 0; piece = content.Next()) {
    if (!file->Write(piece.data, static_cast<int32_t>(piece.length))) {
      *error = GetLastError();
      return false;
    }
    written += static_cast<int64_t>(piece.length);
  }
  if (content.error() == 0 && written == content.length()) return true;
  *error = content.error() != 0 ? content.error() : ERROR_READ_FAULT;
  return false;
}

// Gives up the temporary file: the system deletes it as the handle closes.
void LetGo(File* file) {
  const DWORD error = GetLastError();
  SetBasicInfo(static_cast<HANDLE>(file->handle()), FileDate(), FILE_ATTRIBUTE_NORMAL);
  file->Keep(false);
  file->Close();
  SetLastError(error);
}

// Gives the whole, dated temporary file the destination's name. A name
// that was free when looked at is taken without replacing anything; should a
// file have come to it meanwhile, that file is checked as any existing one.
// With links the temporary name goes when the handle closes, however the
// run ends. Without, a new name is taken while the file is still marked for
// deletion and kept only then, and an existing file is replaced by a kept
// one: a run that ends in between leaves at worst a whole temporary file,
// never a destination that holds neither file.
bool MoveIntoPlace(File* file, const String& path, bool existed, DWORD* error) {
  const bool linked = file->Linked();
  for (int round = 0; round < 2; ++round) {
    const bool replace = existed || round > 0;
    bool moved = false;
    if (linked) {
      moved = file->Link(path, replace);
    } else if (!replace) {
      moved = file->Rename(path, false) && file->Keep();
    } else {
      moved = file->Keep() && file->Rename(path, true);
    }
    if (moved) return true;
    *error = GetLastError();
    if (linked && NoLinksHere(*error)) g_links_work = false;
    if (replace || (*error != ERROR_ALREADY_EXISTS && *error != ERROR_FILE_EXISTS)) return false;
    *error = CheckExisting(path);
    if (*error != ERROR_SUCCESS) return false;
  }
  return false;
}

// Writes all data to the open temporary file, dates it (and gives it
// `attributes`, unless 0) on the same handle, moves it over `path` and
// closes it. A file that fails on the way is gone. False with the system's
// error in *error. With `written` the data is there already.
bool WriteAndClose(File* file, const String& path, bool existed, FileContent& content, const FileDate& date,
                   DWORD attributes, DWORD* error, bool written = false) {
  if (!written && !WriteContent(file, content, error)) {
    LetGo(file);
    return false;
  }
  // A linked file's temporary name goes as it closes, which a read-only
  // file would refuse: that attribute is put on by name afterwards.
  const bool later = file->Linked() && (attributes & FILE_ATTRIBUTE_READONLY);
  SetBasicInfo(static_cast<HANDLE>(file->handle()), date, later ? attributes & ~FILE_ATTRIBUTE_READONLY : attributes);
  if (!MoveIntoPlace(file, path, existed, error)) {
    LetGo(file);
    return false;
  }
  file->Close();
  if (later) SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.w_str()), attributes);
  return true;
}

// One small file finished behind the caller: opened by the caller, then
// written, dated and closed by the worker.
struct BehindJob {
  File file;
  String path;
  String data;
  FileDate date;
  DWORD attributes_now = 0;
  int32_t attributes = -1;
  bool existed = false;
  WriteDone then;
  FileWriteRules rules;
  bool ok = true;
  DWORD error = ERROR_SUCCESS;
};

// The worker thread and the two jobs it alternates between: while one is
// written, the caller opens the next. The system's slim lock and condition
// variable wait without a round trip through anything but the kernel.
class WriteBehind {
 public:
  BehindJob& Free() { return jobs_[next_]; }
  // Hands over the job from Free(). False when no thread can be had (the
  // caller then writes it itself).
  bool HandOver();
  // Waits until no job is in flight; returns the one that was, or null.
  BehindJob* Wait();
  void Stop();

 private:
  static DWORD WINAPI Main(void* self);
  void Work();

  BehindJob jobs_[2];
  int next_ = 0;
  BehindJob* in_flight_ = nullptr;  // handed over, not yet collected by Wait
  bool finished_ = false;           // the worker is done with in_flight_
  bool stop_ = false;
  HANDLE thread_ = nullptr;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
};

WriteBehind& TheWriteBehind() {
  static WriteBehind behind;
  return behind;
}

DWORD WINAPI WriteBehind::Main(void* self) {
  static_cast<WriteBehind*>(self)->Work();
  return 0;
}

void WriteBehind::Work() {
  AcquireSRWLockExclusive(&lock_);
  for (;;) {
    while (!stop_ && !(in_flight_ && !finished_)) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    if (stop_) break;
    BehindJob* job = in_flight_;
    ReleaseSRWLockExclusive(&lock_);
    MemoryContent content(job->data.bytes(), job->data.length());
    void* redirection = nullptr;
    const bool unredirected = job->rules.redirection_off && DisableRedirection(&redirection);
    job->ok = WriteAndClose(&job->file, job->path, job->existed, content, job->date, job->attributes_now, &job->error);
    if (unredirected) RevertRedirection(redirection);
    AcquireSRWLockExclusive(&lock_);
    finished_ = true;
    WakeAllConditionVariable(&changed_);
  }
  ReleaseSRWLockExclusive(&lock_);
}

bool WriteBehind::HandOver() {
  if (thread_ == nullptr) {
    thread_ = CreateThread(nullptr, 0, &WriteBehind::Main, this, 0, nullptr);
    if (thread_ == nullptr) return false;
  }
  AcquireSRWLockExclusive(&lock_);
  in_flight_ = &jobs_[next_];
  finished_ = false;
  next_ ^= 1;
  WakeAllConditionVariable(&changed_);
  ReleaseSRWLockExclusive(&lock_);
  return true;
}

BehindJob* WriteBehind::Wait() {
  AcquireSRWLockExclusive(&lock_);
  BehindJob* job = in_flight_;
  if (job) {
    while (!finished_) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    in_flight_ = nullptr;
  }
  ReleaseSRWLockExclusive(&lock_);
  return job;
}

void WriteBehind::Stop() {
  if (thread_ == nullptr) return;
  AcquireSRWLockExclusive(&lock_);
  stop_ = true;
  WakeAllConditionVariable(&changed_);
  ReleaseSRWLockExclusive(&lock_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  stop_ = false;
}

// Reads the open file back from its start, piece by piece, and compares it
// with the content.
bool HoldsData(File* file, FileContent& content) {
  if (!file->SeekTo(0) || file->Size() != content.length()) return false;
  content.Rewind();
  String stored;
  for (ByteSpan piece = content.Next(); piece.length > 0; piece = content.Next()) {
    stored.SetLength(static_cast<int32_t>(piece.length));
    if (!file->ReadExact(stored.data(), static_cast<int32_t>(piece.length)) ||
        memcmp(stored.bytes(), piece.data, piece.length) != 0) {
      return false;
    }
  }
  return true;
}

// What the first failure may mend: a missing folder, and (when the product
// allows it) the attributes that keep a file from being replaced.
void MendAfterFirstFailure(const FileWriteRules& rules, const String& path, DWORD error) {
  if (error == ERROR_PATH_NOT_FOUND) CreateFolder(ParentFolder(path).w_str());
  if (!rules.clear_protection) return;
  const uint32_t attributes = GetAttributes(path.w_str());
  if (attributes != kNoAttributes && (attributes & kProtectiveAttributes)) {
    SetAttributes(path.w_str(), attributes & ~kProtectiveAttributes);
  }
}

// Puts the data in a temporary file and asks for it to replace `path` at the
// restart. The outcome is added to `text`; true when the move is queued.
bool Stage(Journal& journal, const String& path, FileContent& content, const FileDate& date, String& text) {
  // Made in the destination's own folder (a move at the restart cannot
  // cross volumes) and written through the handle that made it.
  File file;
  DWORD error = ERROR_SUCCESS;
  const bool made =
      file.Open(ParentFolder(path).w_str(), kOpenNewTemporaryBeside | kOpenNoRead | kOpenUntilKept) == kFileOk;
  if (!made) error = GetLastError();
  const String temporary = file.wname();
  if (!made || !WriteContent(&file, content, &error)) {
    if (made) LetGo(&file);
    text.Append(NoTemporaryFileText(path, SystemErrorTextW(error)));
    return false;
  }
  SetBasicInfo(static_cast<HANDLE>(file.handle()), date, 0);
  // Whole now: kept for the move at the restart.
  file.Keep();
  file.Close();
  if (MoveFileAtRestart(temporary, path)) {
    journal.restart_needed = true;
    text.Append(StagedText(path, temporary));
    return true;
  }
  text.Append(StagingFailedText(path, temporary, SystemErrorTextW(GetLastError())));
  DeleteFile(temporary.w_str());
  return false;
}

bool DrivePresent(char16_t drive) { return (GetLogicalDrives() >> (drive - u'A') & 1) != 0; }

// The last attempt failed with `error`: report, and stage where allowed.
void ReportFailure(const FileWriteRules& rules, const String& path, FileContent& content, const FileDate& date,
                   bool existed, DWORD error, bool* pending) {
  String text = WriteFailureHead(rules.write_failed, path);
  const char16_t drive = DriveLetter(path);
  if (drive != 0 && !DrivePresent(drive)) {
    text.Append(MissingDriveText(drive));
  } else {
    text.Append(SystemTextBlock(SystemErrorTextW(error)));
    // Only whole content is staged: a source that failed is reported.
    if (content.error() == 0 && MayStage(existed, rules.stage_new_files, error) &&
        Stage(*rules.journal, path, content, date, text)) {
      LogTextW(*rules.journal, text);
      *pending = true;
      return;
    }
  }
  AddFailureW(*rules.journal, text.w_str());
}

}  // namespace

namespace {

// What became of a file: failed (reported or staged), written, or handed
// to the worker.
enum class WriteOutcome { kFailed, kWritten, kHandedOver };

void Tell(const WriteDone& then, const String& path, bool written) {
  if (then.done) then.done(then.context, path, then.note, written);
}

// Copies the content into the job and sends it on its way.
bool HandOverJob(const FileWriteRules& rules, BehindJob* job, const String& path, FileContent& content, const FileDate& date,
                 DWORD attributes_now, int32_t attributes, bool existed, const WriteDone& then) {
  job->path = path;
  job->data.Clear();
  content.Rewind();
  for (ByteSpan piece = content.Next(); piece.length > 0; piece = content.Next()) {
    job->data.Append(piece.data, static_cast<int32_t>(piece.length));
  }
  job->date = date;
  job->attributes_now = attributes_now;
  job->attributes = attributes;
  job->existed = existed;
  job->then = then;
  job->rules = rules;
  // The file before must be done (and mended) before this one goes.
  WaitForWritesBehind();
  return TheWriteBehind().HandOver();
}

// The attempts of the file writer. With `behind` (what to do once it is
// written), a file that opens is handed to the worker instead of being
// written here.
WriteOutcome WriteWithAttempts(const FileWriteRules& rules, const String& path, FileContent& content,
                               const FileDate& date, int32_t attributes, bool existed, bool* pending,
                               const WriteDone* behind) {
  if (content.length() < 0) ReportCorruptPackage(kCorruptNegativeLength);
  *pending = false;
  const bool verify = rules.verify_after_write;
  // The attributes go on with the date, on the temporary file's own handle.
  const DWORD attributes_now = attributes != -1 ? EntryAttributes(attributes) : 0;
  if (verify || content.length() > kWriteBehindLimit) behind = nullptr;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = kAttempts - 1; attempt >= 0; --attempt) {
    File here;
    BehindJob* job = behind ? &TheWriteBehind().Free() : nullptr;
    File* file = job ? &job->file : &here;
    if (OpenForWriting(path, existed, verify, file, &error)) {
      if (job && HandOverJob(rules, job, path, content, date, attributes_now, attributes, existed, *behind)) {
        return WriteOutcome::kHandedOver;
      }
      // A file to be read back is read through its own handle before it
      // takes its name.
      const bool written = verify && WriteContent(file, content, &error);
      if (written && !HoldsData(file, content)) {
        LetGo(file);
        if (attempt == 0) {
          AddFailureW(*rules.journal,
              VerifyFailureText(rules.write_failed, path, SystemErrorTextW(GetLastError())).w_str());
          return WriteOutcome::kFailed;
        }
      } else if (verify && !written) {
        LetGo(file);
      } else if (WriteAndClose(file, path, existed, content, date, attributes_now, &error, written)) {
        return WriteOutcome::kWritten;
      }
    }
    if (attempt == kAttempts - 1) MendAfterFirstFailure(rules, path, error);
    if (attempt > 0) Sleep(kRetryDelayMs);
  }
  ReportFailure(rules, path, content, date, existed, error, pending);
  return WriteOutcome::kFailed;
}

}  // namespace

bool WritePackagedFile(const FileWriteRules& rules, const String& path, FileContent& content, const FileDate& date,
                       int32_t attributes, bool existed, bool* pending) {
  WaitForWritesBehind();
  return WriteWithAttempts(rules, path, content, date, attributes, existed, pending, nullptr) == WriteOutcome::kWritten;
}

bool WritePackagedFileBehind(const FileWriteRules& rules, const String& path, FileContent& content,
                             const FileDate& date, int32_t attributes, bool existed, bool* pending,
                             const WriteDone& then) {
  const WriteOutcome outcome = WriteWithAttempts(rules, path, content, date, attributes, existed, pending, &then);
  if (outcome != WriteOutcome::kHandedOver) Tell(then, path, outcome == WriteOutcome::kWritten);
  return outcome != WriteOutcome::kFailed;
}

void WaitForWritesBehind() {
  BehindJob* job = TheWriteBehind().Wait();
  if (job == nullptr) return;
  if (job->ok) {
    Tell(job->then, job->path, true);
    return;
  }
  // Failed behind (the disk filled, say): written again here, with every
  // attempt and the usual report; only a file that then holds its data
  // counts as written.
  MemoryContent content(job->data.bytes(), job->data.length());
  bool pending = false;
  const WriteOutcome outcome =
      WriteWithAttempts(job->rules, job->path, content, job->date, job->attributes, job->existed, &pending, nullptr);
  Tell(job->then, job->path, outcome == WriteOutcome::kWritten);
}

void FinishWritesBehind() {
  WaitForWritesBehind();
  TheWriteBehind().Stop();
}

bool WritePackagedFile(const FileWriteRules& rules, const String& path, const void* data, int32_t length,
                       const FileDate& date, int32_t attributes, bool existed, bool* pending) {
  MemoryContent content(data, length);
  return WritePackagedFile(rules, path, content, date, attributes, existed, pending);
}
