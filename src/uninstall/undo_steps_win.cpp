#include <windows.h>
#include <shellapi.h>

#include "actions/program_closing.h"
#include "actions/registry_entries.h"
#include "core/close_applications_win.h"
#include "core/codepage.h"
#include "core/csv.h"
#include "core/file_ops.h"
#include "core/format.h"
#include "core/path_rules.h"
#include "core/registry_win.h"
#include "core/removal_guard.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "core/system_library_win.h"
#include "actions/fonts.h"
#include "core/wide_win.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "records/failure_summary.h"
#include "records/marked_path.h"
#include "records/uninstall_records.h"
#include "package/message_numbers.h"
#include "uninstall/undo_steps.h"

namespace {

constexpr uint32_t kMsiMissing = 120;
constexpr DWORD kForcedRemoval = 1;  // SUOI_FORCEDELETE

int32_t CountBackslashes(const String& path) {
  int32_t count = 0;
  for (int32_t i = 0; i < path.wlength(); ++i) count += path.AtW(i) == u'\\';
  return count;
}

void UndoRegistryRecord(const Array<String>& fields, RegView view) {
  if (fields.Count() == 1) {
    String path = fields[0];
    path.TrimW();
    if (CountBackslashes(path) >= 2) DeleteKeyPath(path.w_str(), kRegOnlyIfEmpty, view);
    return;
  }
  if (fields.Count() != 5) return;
  const int action = static_cast<int>(fields[4].AtW(0)) - u'0';
  if (fields[4].wlength() != 1 || !EntryRemovedOnUninstall(action)) return;
  String path = fields[0];
  path.TrimW();
  path.TrimEndW(u"\\");
  path.AppendW(u'\\');
  path.Append(fields[1]);
  DeleteValuePath(path.w_str(), 0, view);
}

String FileNameOf(const String& path) {
  const int32_t slash = path.FindLastW(u'\\');
  return slash < 0 ? path : String(path.w_str() + slash + 1);
}

// Takes the next double-quoted text ("" inside is one quote) off `text`.
bool TakeQuoted(const String& text, int32_t* position, String* out) {
  int32_t i = *position;
  while (i < text.length() && text.c_str()[i] != '"') ++i;
  if (i >= text.length()) return false;
  out->Clear();
  for (++i; i < text.length(); ++i) {
    const char c = text.c_str()[i];
    if (c == '"') {
      if (i + 1 < text.length() && text.c_str()[i + 1] == '"') {
        out->Append('"');
        ++i;
        continue;
      }
      *position = i + 1;
      return true;
    }
    out->Append(c);
  }
  return false;
}

}  // namespace

bool CloseProgramsForUninstall(const RunProduct& product, uint32_t phase) {
  const Vector<WindowRule> windows = WindowRulesOf(product.settings.ProgramsToClose);
  if (windows.IsEmpty()) return true;
  const LanguageTable& languages = product.languages;
  CloseQuestion question;
  question.text = MessageText(languages, message_number::kCloseProgramsQuestion);
  question.caption = MessageText(languages, message_number::kUninstallTitle);
  if (CloseApplications(windows, phase, question) == CloseOutcome::kDone) return true;
  ShowWarning(MessageText(languages, message_number::kCloseCancelled),
              MessageText(languages, message_number::kCancelledTitle));
  return false;
}

void UndoRegistryEntries(const String& table, RegView view) {
  // Values first: a key record deletes only an empty key, and may be listed
  // before the values that key still holds.
  for (const bool key_records : {false, true}) {
    int32_t position = 0;
    Array<String> fields;
    while (ReadCsvRecordW(table, &position, &fields)) {
      if ((fields.Count() == 1) == key_records) UndoRegistryRecord(fields, view);
      fields.RemoveAll();
    }
  }
}

void RemoveMsiPackages(Journal& journal, const Array<String>& lines) {
  using SetUiFn = INT(WINAPI*)(INT, HWND*);
  using InstallFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR);
  SystemLibrary msi(L"msi.dll");
  const auto set_ui = msi.Get<SetUiFn>("MsiSetInternalUI");
  const auto install = msi.Get<InstallFn>("MsiInstallProductW");
  for (const String& line : lines) {
    int32_t position = 0;
    Array<String> fields;
    if (!ReadCsvRecord(line, &position, &fields) || fields.Count() != 2) continue;
    const String package = UnmarkPath(fields[0]);
    UINT result = kMsiMissing;
    if (install) {
      if (set_ui) set_ui(atoi(fields[1].c_str()), nullptr);
      result = install(Wide(package), L"REBOOT=R REMOVE=ALL");
    }
    if (result == 0) continue;
    AddFailureFormatW(journal, u"Failed to uninstall %s, code %d: %s\r\n", FileNameOf(package).w_str(), static_cast<int>(result),
                      SystemErrorTextW(result).w_str());
    RecordMsiLine(journal.records, line);
  }
}

void RemoveDriverPackages(const Array<String>& lines) {
  if (lines.IsEmpty()) return;
  using RemoveFn = BOOL(WINAPI*)(PCWSTR, DWORD, PVOID);
  SystemLibrary setupapi(L"setupapi.dll");
  const auto remove = setupapi.Get<RemoveFn>("SetupUninstallOEMInfW");
  if (!remove) return;
  for (const String& line : lines) {
    if (line.empty()) continue;
    remove(Wide(FileNameOf(UnmarkPath(line))), kForcedRemoval, nullptr);
  }
}

bool RemoveProductFonts(const LanguageTable& languages, const String& listed, bool ask, RemovalGuard& guard) {
  const String text = Utf16ToAnsi(listed);
  const String fonts_folder = FolderPath(FolderSource::kFonts);
  bool removed = false;
  int32_t position = 0;
  String display, file;
  while (TakeQuoted(text, &position, &display) && TakeQuoted(text, &position, &file)) {
    const String name = Utf8ToUtf16(display);
    const String file_name = AnsiToUtf16(file);
    if (ask && !AskYesNo(FillMessage(MessageText(languages, message_number::kRemoveFontQuestion), {name}),
                         MessageText(languages, message_number::kRemoveFontTitle), true)) {
      continue;
    }
    RegistryKey key;
    if (key.Open(RegRoot::kLocalMachine, kFontsKeyNT, kRegOpenOnly | kRegNoStack, kRegWriteAccess, RegView::kDefault)) {
      key.DeleteValue(name.w_str(), 0);
    }
    const String path = JoinPath(fonts_folder, file_name.w_str());
    RemoveFontResourceW(Wide(path));
    guard.RemoveFile(path);
    removed = true;
  }
  return removed;
}

void UnpinFromTaskbar(const Array<String>& records) {
  for (const String& record : records) {
    const ParsedRecord parsed = ParseRecord(record);
    if (parsed.kind != kRecordFile || parsed.path.Find("\\User Pinned\\") < 0) continue;
    const String path = UnmarkPath(parsed.path);
    ShellExecuteW(nullptr, L"taskbarunpin", Wide(path), nullptr, nullptr, SW_HIDE);
  }
}
