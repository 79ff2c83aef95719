#include <windows.h>

#include "actions/file_deletion.h"
#include "core/removal_guard.h"
#include "core/codepage.h"
#include "core/file_ops.h"
#include "core/folder_walk.h"
#include "core/format.h"
#include "core/path_rules.h"
#include "core/system_error_text.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/marked_path.h"
#include "records/working_log.h"
#include "actions/file_deletion_run.h"

namespace {

struct Match {
  String path;
  DeletionCandidate facts;
};

struct Matches {
  Vector<Match> files;
};

DateTime LocalDate(uint64_t write_time) {
  FILETIME utc = {static_cast<DWORD>(write_time), static_cast<DWORD>(write_time >> 32)};
  FILETIME local;
  SYSTEMTIME fields;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &fields)) return DateTime();
  return MakeDateTime(fields.wYear, fields.wMonth, fields.wDay, fields.wHour, fields.wMinute, fields.wSecond);
}

bool Collect(const WalkEntry& entry, void* context) {
  if (entry.is_folder) return true;
  Match& match = static_cast<Matches*>(context)->files.Emplace();
  match.path = *entry.path;
  match.facts.written = LocalDate(entry.write_time);
  match.facts.size = entry.size;
  return true;
}

void Log(Journal& journal, const String& wide) {
  const String utf8 = Utf16ToUtf8(wide);
  AppendToWorkingLog(journal.log, utf8.c_str(), utf8.length());
}

// The pattern as a full search path: marked path read back, variables
// expanded, made absolute against the product folder.
String SearchPath(const FileDeletion& entry, const String& product_folder) {
  String pattern = UnmarkPath(entry.name);
  ExpandVariables(pattern);
  if (!IsAbsolutePathW(pattern.w_str())) pattern = JoinPath(product_folder, pattern.w_str());
  return pattern;
}

// Registers the file for deletion at restart; true when that worked.
bool DeleteAtRestart(const String& path, const FileDeletion& entry, FileDeletionRun* run) {
  const bool registered = DeleteFile(path.w_str(), kDeleteAtRestart);
  const DWORD error = GetLastError();
  if (registered) run->restart_required = true;
  if (run->uninstalling) return registered;
  if (!registered) {
    AddFailureFormatW(*run->journal, u"Failed to register \"%s\" for deletion: %s\r\n", path.w_str(),
                      SystemErrorTextW(error).w_str());
    return false;
  }
  const bool only_at_restart = (entry.flags & deletion_flag::kAtRestartOnly) != 0;
  Log(*run->journal, FormatW(u"File \"%s\" will be deleted after rebooting%s%s\r\n", path.w_str(), only_at_restart ? u"" : u": ",
              only_at_restart ? u"." : run->last_failure.w_str()));
  return true;
}

// True when the file is gone or will go at restart.
bool DeleteMatch(const String& path, const FileDeletion& entry, FileDeletionRun* run) {
  SetAttributes(path.w_str(), FILE_ATTRIBUTE_NORMAL);
  const bool only_at_restart = (entry.flags & deletion_flag::kAtRestartOnly) != 0;
  if (!only_at_restart) {
    if (DeleteFile(path.w_str())) {
      if (!run->uninstalling) Log(*run->journal, FormatW(u"Deleted file: %s\r\n", path.w_str()));
      return true;
    }
    run->last_failure = SystemErrorTextW(GetLastError());
  }
  if (entry.flags & (deletion_flag::kAtRestartOnly | deletion_flag::kAtRestartOnFailure)) {
    return DeleteAtRestart(path, entry, run);
  }
  if (!run->uninstalling) {
    Log(*run->journal, FormatW(u"Failed to delete file \"%s\": %s\r\n", path.w_str(), run->last_failure.w_str()));
  }
  return false;
}

// True when every matching file that met the condition went.
bool CarryOut(const FileDeletion& entry, FileDeletionRun* run) {
  Matches matches;
  WalkFolder(SearchPath(entry, run->product_folder).w_str(), kWalkNoMessages, Collect, &matches);
  RemovalGuard local_guard;
  if (!run->guard) local_guard.AddProductFolder(run->product_folder);
  RemovalGuard& guard = run->guard ? *run->guard : local_guard;
  bool all_gone = true;
  bool any_gone = false;
  for (const Match& match : matches.files) {
    // A file reached through a link is not the product's: it stays, and so
    // does the entry.
    if (guard.ReachedThroughLink(match.path)) {
      all_gone = false;
      continue;
    }
    const ConditionResult result = TestDeletionCondition(entry.mode, entry.path, match.facts);
    if (result == ConditionResult::kBadValue) ReportCorruptPackage(kCorruptConditionDate);
    if (result == ConditionResult::kKeep) continue;
    if (DeleteMatch(match.path, entry, run)) {
      any_gone = true;
    } else {
      all_gone = false;
    }
  }
  // Only a deletion done ends the entry: one whose files were all kept by
  // the condition, or not there yet, waits for a later run.
  return all_gone && any_gone;
}

}  // namespace

void RunFileDeletions(Vector<FileDeletion>* list, FileDeletionRun* run) {
  for (int32_t i = 0; i < list->Count();) {
    const FileDeletion& entry = (*list)[i];
    const bool applies = DeletionAppliesTo(entry, run->uninstalling);
    // The uninstaller keeps what it could not remove for a later run.
    if (applies && CarryOut(entry, run) && run->uninstalling) {
      list->Remove(i);
      continue;
    }
    ++i;
  }
}
