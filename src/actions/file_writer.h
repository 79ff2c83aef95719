// Writes one packaged file to its destination. A destination that cannot be
// written because it is in use is staged instead: the data goes to a
// temporary file beside it, and the system is asked to move that file into
// place at the next restart.
#pragma once

#include <cstdint>

#include "actions/file_content.h"
#include "core/datetime.h"
#include "core/string.h"
#include "package/run_product.h"
#include "records/journal.h"

// Message 31 of the language table: the head of a write-failure report.
// The attributes an entry may put on its file: read-only, hidden, system,
// archive, temporary and offline.
constexpr uint32_t kEntryAttributeMask = 0x1127;
// The corrupt-package code of a negative data length.
constexpr int kCorruptNegativeLength = 5;

// What the product asks of every write: clear the attributes that protect a
// file (ProductFlags bit 19),
// stage new files too, read each file back; and message 31, the head of
// every failure report. The run's owner makes them from its product.
struct FileWriteRules {
  bool clear_protection = false;
  bool stage_new_files = false;
  bool verify_after_write = false;
  // A 64-bit product: the run writes with file-system redirection off, and
  // so must the thread that finishes files behind it (redirection is a
  // thread's own).
  bool redirection_off = false;
  String write_failed;
  Journal* journal = nullptr;  // the run's journal: failures, staged files, the restart note; never null
};
FileWriteRules FileWriteRulesOf(const RunProduct& product, Journal& journal);

// Writes the content to `path` (UTF-16, full) in up to three attempts, then puts `date` (when complete) and `attributes` (unless -1) on
// the file. True when the file holds the data. On failure the report goes to
// the failure summary (records/failure_summary.h) and false is returned;
// when the file was staged for the restart instead, the report goes to the
// working log, `*pending` is set, the restart-required bit (ProductFlags bit
// 14) and the install state's restart_needed are set, and the result is
// still false. Only a file that `existed` before (or any file with
// product_flag::kStageNewFiles) is staged. A negative length ends the
// installation with corrupt-package code 5.
bool WritePackagedFile(const FileWriteRules& rules, const String& path, FileContent& content, const FileDate& date,
                       int32_t attributes, bool existed, bool* pending);
// What the caller learns once a file's outcome is known, on the caller's
// thread: the path, `note`, and whether the file now holds its data (false:
// it failed, or was only staged for the restart).
struct WriteDone {
  void (*done)(void* context, const String& path, const String& note, bool written) = nullptr;
  void* context = nullptr;
  String note;  // kept with the file until then
};

// As WritePackagedFile, but a file of at most kWriteBehindLimit bytes that
// opens is written, dated and closed on a thread of its own while the caller
// goes on to the next (creating files is the slow part under some systems);
// its content is copied. One file is in flight at a time. A write that fails
// there is done again in full, with every attempt, report and staging, when
// the next file is handed over or at WaitForWritesBehind. Files that must be
// read back are written at once. `then` is told the outcome exactly once:
// before the return, or later from the call that collects the file. False
// when the file failed or was staged (as WritePackagedFile); true when it was
// written or is on its way.
bool WritePackagedFileBehind(const FileWriteRules& rules, const String& path, FileContent& content, const FileDate& date, int32_t attributes,
                             bool existed, bool* pending, const WriteDone& then);
inline constexpr int64_t kWriteBehindLimit = 0x100000;
// Waits for the file in flight and completes it (its report, its WriteDone). Call before anything reads a file handed over, and before a log
// line that must follow that file's.
void WaitForWritesBehind();
// Waits, and ends the thread: when the file phase ends.
void FinishWritesBehind();
// The same for `length` bytes of `data` in memory.
bool WritePackagedFile(const FileWriteRules& rules, const String& path, const void* data, int32_t length, const FileDate& date,
                       int32_t attributes, bool existed, bool* pending);

// The report texts, UTF-16 (paths and the system's texts as given).
// "\r\n" + message + " " + path + "\r\n": the head of every failure report.
String WriteFailureHead(const String& message, const String& path);
// "Drive %c: is not present.\r\n".
String MissingDriveText(char16_t drive);
// The system's text of the error and a blank line; empty for an empty text.
String SystemTextBlock(const String& system_text);
// "%s %s\r\n%s\r\n\r\n": the written data did not read back the same.
String VerifyFailureText(const String& message, const String& path, const String& system_text);
String StagedText(const String& path, const String& temporary);
String NoTemporaryFileText(const String& path, const String& system_text);
String StagingFailedText(const String& path, const String& temporary, const String& system_text);

// Whether a failed write may be staged: the file existed before or the
// product stages every file, and the name itself is not invalid
// (ERROR_INVALID_NAME, which no restart mends) nor leads elsewhere through a
// link (core/final_path.h), which is reported, never worked around.
bool MayStage(bool existed, bool stage_new_files, uint32_t error);
// The upper-case drive letter a path starts with ("c:\\..." gives 'C'), or 0.
char16_t DriveLetter(const String& path);
// The attributes to set for an entry's attribute word: the entry's bits
// within kEntryAttributeMask, or FILE_ATTRIBUTE_NORMAL (0x80) when none
// remain, since the system takes no empty set.
uint32_t EntryAttributes(int32_t attributes);
