#include "actions/file_install_rules.h"

#include "actions/file_date.h"
#include "core/codepage.h"
#include "core/format.h"
#include "core/path_rules.h"
#include "core/version_compare.h"
#include "package/corrupt.h"
#include "records/marked_path.h"
#include "records/shared_files.h"

const char16_t kFileInTheWayText[] = u"Cannot create directory because there is a file with the same name.";

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The last part of a path: the file name without its folders.
String LastPart(const String& path) {
  int32_t start = path.wlength();
  while (start > 0 && !IsSeparator(path.AtW(start - 1))) --start;
  return String(path.w_str() + start);
}

// The kind's own folder; the install folder where the product has none
// (a shared file of a product without a shared folder stays with the
// product rather than landing in the current folder).
const String& KindFolder(uint32_t kind, uint32_t flags, const DestinationFolders& folders) {
  const String* folder = &folders.install;
  if (flags & entry_flag::kInUninstallFolder) {
    folder = &folders.uninstall;
  } else if (kind == entry_kind::kSharedFolder) {
    folder = &folders.shared;
  } else if (kind == entry_kind::kFont) {
    folder = &folders.fonts;
  } else if (kind == entry_kind::kSystem || kind == entry_kind::kSystemCom || kind == entry_kind::kSystemTypeLibrary) {
    folder = &folders.system;
  }
  return folder->empty() ? folders.install : *folder;
}

// On a portable install the shared files stay below the portable shared
// folder: overrides that would send them elsewhere, or rename them, go.
bool DropsPortableOverride(const String& override_text) {
  return IsAbsolutePathW(override_text.w_str()) || override_text.FindW(u'%') >= 0 ||
         override_text.FindW(u'\\') < 0;
}

// The root a normalised path keeps: "X:" or "\\\\server\\share"; 0 units
// for a path without one.
int32_t RootLength(const String& path) {
  const int32_t units = path.wlength();
  if (units >= 2 && path.AtW(1) == u':') return 2;
  if (units < 2 || path.AtW(0) != u'\\' || path.AtW(1) != u'\\') return 0;
  int32_t end = 2;
  for (int parts = 0; parts < 2 && end < units; ++parts) {
    while (end < units && path.AtW(end) == u'\\') ++end;
    while (end < units && path.AtW(end) != u'\\') ++end;
  }
  return end;
}

String DateText(const FileDate& date) { return AnsiToUtf16(FileDateText(date)); }

FileDecision Skipped(const String& path, const char16_t* reason, bool record) {
  FileDecision decision;
  decision.install = false;
  decision.record_existing = record;
  decision.log = path;
  decision.log.AppendW(reason);
  return decision;
}

FileDecision Installed(String log) {
  FileDecision decision;
  decision.log = static_cast<String&&>(log);
  return decision;
}

// Kinds 1 and 4: an existing file at least as new as the entry stays.
FileDecision DecideByDate(const EntryFacts& entry, const String& path, const ExistingFile& existing) {
  if (IsCompleteDate(entry.date) && existing.has_time && CompareFileDates(existing.time, entry.date) >= 0) {
    return Skipped(path, u" is up to date.\r\n", RecordsFile(entry.kind, entry.flags, entry.removable));
  }
  String log = path;
  log.AppendW(u" is out of date and will be replaced.\r\n");
  return Installed(log);
}

// Kinds 6 to 9: a newer version (where both have one) and a newer date.
FileDecision DecideByVersion(const EntryFacts& entry, const String& path, const ExistingFile& existing) {
  const bool record = RecordsFile(entry.kind, entry.flags, entry.removable);
  String reason;
  if (!entry.version.empty() && !existing.version.empty()) {
    if (CompareVersionsW(entry.version.w_str(), existing.version.w_str()) <= 0) {
      FileDecision decision{false, record, path};
      AppendFormatW(decision.log, u" was not installed because its version (%s) is not newer than %s\r\n",
                    entry.version.w_str(), existing.version.w_str());
      return decision;
    }
    FormatStringW(reason, u"its version (%s) is newer than %s", entry.version.w_str(), existing.version.w_str());
  }
  if (!existing.has_time) {
    if (reason.empty()) return FileDecision();
    return Installed(FormatW(u"%s needs replacement because %s\r\n", path.w_str(), reason.w_str()));
  }
  const String entry_date = DateText(entry.date);
  const String existing_date = DateText(existing.time);
  if (CompareFileDates(entry.date, existing.time) > 0) {
    if (!reason.empty()) reason.AppendW(u" and ");
    AppendFormatW(reason, u"its date (%s) is newer than %s", entry_date.w_str(), existing_date.w_str());
    return Installed(FormatW(u"%s needs replacement because %s\r\n", path.w_str(), reason.w_str()));
  }
  FileDecision decision{false, record, path};
  AppendFormatW(decision.log, u" was not installed because its date (%s) is not newer than %s.\r\n",
                entry_date.w_str(), existing_date.w_str());
  return decision;
}

}  // namespace

bool IsKnownFileKind(uint32_t kind) {
  return kind == entry_kind::kInstallFolder || kind == entry_kind::kSharedFolder || (kind >= entry_kind::kFont && kind <= entry_kind::kControlPanel);
}

bool IsInstallFolderKind(uint32_t kind) {
  return kind == entry_kind::kInstallFolder || kind == entry_kind::kStartup ||
         (kind >= entry_kind::kVersioned && kind <= entry_kind::kControlPanel);
}

bool IsVersionedKind(uint32_t kind) { return kind >= entry_kind::kSystem && kind <= entry_kind::kVersioned; }

bool IsPermanent(uint32_t flags) { return (flags & entry_flag::kPermanent) != 0; }

bool SkipsSilently(uint32_t flags) {
  const uint32_t mode = flags & entry_flag::kOverwriteMask;
  return mode == entry_flag::kOverwriteNever || mode == entry_flag::kOverwriteNeverToo;
}

int CheckEntryFields(const EntryRecord& entry) {
  if (!IsKnownFileKind(entry.kind)) return kCorruptEntryKind;
  if (entry.kind == entry_kind::kFont && entry.display_name().empty()) return kCorruptFontName;
  if (entry.kind == entry_kind::kControlPanel && entry.applet_class_id().empty()) return kCorruptControlPanelClass;
  return kCorruptNone;
}

bool RecordsFile(uint32_t kind, uint32_t flags, bool removable) {
  return !IsPermanent(flags) && (IsInstallFolderKind(kind) || (kind == entry_kind::kSharedFolder && removable));
}

bool RecordsFolder(uint32_t kind, uint32_t flags) {
  return !IsPermanent(flags) && (IsInstallFolderKind(kind) || kind == entry_kind::kSharedFolder);
}

bool CreatesFolder(uint32_t kind, uint32_t flags, bool from_override) {
  return from_override || (!(flags & entry_flag::kInUninstallFolder) && IsInstallFolderKind(kind));
}

String EntryNameWide(const String& name) { return UnmarkPath(name); }

FileDate EntryDate(const EntryRecord& entry) {
  return FileDate{entry.date[0], entry.date[1], entry.date[2], entry.date[3], entry.date[4], entry.date[5]};
}

bool ComputeDestination(uint32_t kind, uint32_t flags, const String& name, const String& override_text,
                        const DestinationFolders& folders, ExpandFunction expand, Destination* out) {
  *out = Destination();
  if (!StaysInsideFolder(name)) return false;
  String relative = override_text;
  if (folders.portable_shared && kind == entry_kind::kSharedFolder && DropsPortableOverride(relative)) relative.Clear();
  if (relative.empty()) {
    out->path = NormalisePath(JoinPath(KindFolder(kind, flags, folders), name.w_str()));
    return true;
  }
  out->from_override = true;
  // Without a backslash the override is the entry's new name.
  if (expand) expand(relative);
  if (!relative.empty() && IsSeparator(relative.AtW(relative.wlength() - 1))) relative.Append(name);
  if (IsAbsolutePathW(relative.w_str())) {
    out->path = NormalisePath(relative);
    return true;
  }
  // A relative override may also climb out (a "Side" folder beside the install
  // folder): it is the vendor's choice of place, not a name to distrust.
  const String& base = kind == entry_kind::kSharedFolder && !folders.shared.empty() ? folders.shared : folders.install;
  out->path = NormalisePath(JoinPath(base, relative.w_str()));
  return true;
}

bool StaysInsideFolder(const String& relative) {
  const int32_t units = relative.wlength();
  if (units == 0 || IsSeparator(relative.AtW(0)) || relative.FindW(u':') >= 0) return false;
  const char16_t* text = relative.w_str();
  int32_t start = 0;
  for (int32_t i = 0; i <= units; ++i) {
    if (i < units && !IsSeparator(text[i])) continue;
    if (!IsPlainNamePart(text + start, i - start)) return false;
    start = i + 1;
  }
  return true;
}

String NormalisePath(const String& path) {
  String slashed = path;
  for (int32_t i = 0; i < slashed.wlength(); ++i) {
    if (slashed.AtW(i) == u'/') slashed.AtW(i) = u'\\';
  }
  const int32_t root = RootLength(slashed);
  String out(slashed.w_str(), root);
  const int32_t floor = out.wlength();
  const int32_t units = slashed.wlength();
  const bool rooted = root > 0 || (units > 0 && slashed.AtW(0) == u'\\');
  int32_t i = root;
  while (i < units) {
    while (i < units && slashed.AtW(i) == u'\\') ++i;
    const int32_t start = i;
    while (i < units && slashed.AtW(i) != u'\\') ++i;
    const int32_t length = i - start;
    const char16_t* part = slashed.w_str() + start;
    if (length == 0 || (length == 1 && part[0] == u'.')) continue;
    if (length == 2 && part[0] == u'.' && part[1] == u'.') {
      const int32_t cut = out.FindLastW(u'\\');
      out.TruncateAtW(cut >= floor ? cut : floor);
      continue;
    }
    if (out.wlength() > 0 || rooted) out.AppendW(u'\\');
    out.AppendW(part, length);
  }
  // A drive keeps its root; a folder path keeps its closing separator.
  const bool drive_alone = root == 2 && out.wlength() == 2 && units > 2;
  const bool folder = units > 0 && slashed.AtW(units - 1) == u'\\';
  if ((drive_alone || (folder && out.wlength() > 0)) && out.AtW(out.wlength() - 1) != u'\\') out.AppendW(u'\\');
  return out;
}

int32_t FileProgress(int32_t index, int32_t count) {
  if (count <= 0) return 28;
  return static_cast<int32_t>(static_cast<int64_t>(index) * 62 / count + 28);
}

bool ShowsFileName(bool hide_file_names, const String& entry_name) {
  return !hide_file_names && !entry_name.Equals(kHiddenEntryName);
}

bool ListsSharedFile(uint32_t kind, bool removable) {
  return (kind == entry_kind::kSharedFolder && !removable) || kind == entry_kind::kSystem || kind == entry_kind::kSystemCom ||
         kind == entry_kind::kSystemTypeLibrary;
}

char SharedFileMark(uint32_t kind, uint32_t flags) {
  const bool permanent = IsPermanent(flags);
  const bool library_options = (flags >> entry_flag::kFirstTypeLibraryOption) != 0;
  if (kind == entry_kind::kSystem || (permanent && (kind == entry_kind::kSharedFolder || kind == entry_kind::kSystemCom)) ||
      (kind == entry_kind::kSystemTypeLibrary && (permanent || library_options))) {
    return ' ';
  }
  if (kind == entry_kind::kSystemCom) return '^';
  if (kind == entry_kind::kSystemTypeLibrary) return '\xA9';
  return 0;
}


void AddProductFont(String* product_fonts, const String& display_name, const String& entry_name) {
  AppendQuoted(product_fonts, display_name);
  product_fonts->Append(' ');
  AppendQuoted(product_fonts, entry_name);
  product_fonts->Append(' ');
}

FileDecision DecideFile(const EntryFacts& entry, const String& path, const ExistingFile& existing) {
  const bool record = RecordsFile(entry.kind, entry.flags, entry.removable);
  switch (entry.flags & entry_flag::kOverwriteMask) {
    case entry_flag::kOverwriteNever:
    case entry_flag::kOverwriteNeverToo:
      return FileDecision{false, false, String()};
    case entry_flag::kOverwriteIfExists:
      if (!existing.exists) return Skipped(path, u" was not installed because it does not already exist.\r\n", false);
      break;
    case entry_flag::kOverwriteIfMissing:
      if (existing.exists) return Skipped(path, u" was not installed because it already exists.\r\n", record);
      break;
    case entry_flag::kOverwriteIfNotNewer:
      if (existing.has_time && IsCompleteDate(existing.time) && IsCompleteDate(entry.date) &&
          CompareFileDates(existing.time, entry.date) > 0) {
        return Skipped(path, u" was not installed because the existing file is newer.\r\n", record);
      }
      break;
    default:
      break;
  }
  if (!existing.exists) return FileDecision();
  if (entry.kind == entry_kind::kSharedFolder || entry.kind == entry_kind::kFont) return DecideByDate(entry, path, existing);
  if (IsVersionedKind(entry.kind)) return DecideByVersion(entry, path, existing);
  return FileDecision();
}

String CleanFileVersion(const String& version) {
  String clean = version;
  for (int32_t i = 0; i < clean.wlength(); ++i) {
    if (clean.AtW(i) == u',') clean.AtW(i) = u'.';
  }
  clean.TrimW(u" \r\n\t");
  return clean;
}

bool RequestsShortcut(uint32_t kind, uint32_t flags) {
  return (kind == entry_kind::kInstallFolder && (flags & (entry_flag::kDesktopShortcut | entry_flag::kStartMenuShortcut))) ||
         kind == entry_kind::kStartup;
}

ShortcutRequest MakeShortcutRequest(const EntryRecord& entry, const String& path) {
  ShortcutRequest request;
  request.desktop = (entry.flags & entry_flag::kDesktopShortcut) != 0;
  request.start_menu = (entry.flags & entry_flag::kStartMenuShortcut) != 0;
  request.startup = entry.kind == entry_kind::kStartup;
  request.permanent = IsPermanent(entry.flags);
  request.target = path;
  request.name = Utf8ToUtf16(entry.display_name());
  request.arguments = ToUtf16(entry.shortcut_arguments.c_str(), entry.shortcut_arguments.length(), kCodePageWestern);
  request.working_folder = EntryNameWide(entry.working_folder);
  request.icon = EntryNameWide(entry.shortcut_icon);
  return request;
}

String WrittenFileLine(const String& entry_name, const String& path) {
  String line = LastPart(entry_name);
  line.AppendW(u" >>> ");
  line.Append(path);
  line.AppendW(u"\r\n");
  return line;
}

String FolderFailureText(const String& message, const String& folder, const String& reason, const String& file) {
  String text;
  if (message.FindW(u"%s") < 0) {
    text = message;
    AppendFormatW(text, u" %s\r\n%s", folder.w_str(), reason.w_str());
  } else {
    // The message is the product's text, never a format: only its "%s"
    // places are filled, in order, and "%%" is one percent sign.
    const String* fills[] = {&folder, &reason};
    int32_t filled = 0;
    for (const char16_t* p = message.w_str(); *p != 0; ++p) {
      if (p[0] == u'%' && (p[1] == u'%' || (p[1] == u's' && filled < 2))) {
        if (p[1] == u'%') {
          text.AppendW(u'%');
        } else {
          text.Append(*fills[filled++]);
        }
        ++p;
      } else {
        text.AppendW(*p);
      }
    }
  }
  AppendFormatW(text, u"\r\n\r\nNot installed: %s\r\n\r\n", file.w_str());
  return text;
}

String FontStatusText(const String& message, const String& entry_name) {
  String text = message;
  constexpr char16_t kPlace[] = u"<file>";
  constexpr int32_t kPlaceUnits = 6;
  for (int32_t at = text.FindW(kPlace); at >= 0; at = text.FindW(kPlace, at + entry_name.wlength())) {
    text.ReplaceW(at, kPlaceUnits, entry_name.w_str(), entry_name.wlength());
  }
  return text;
}

ControlPanelRequest MakeControlPanelRequest(const EntryRecord& entry, const String& path, bool pending) {
  ControlPanelRequest request;
  request.path = path;
  request.display_name = Utf8ToUtf16(entry.display_name());
  if (request.display_name.empty()) {
    request.display_name = LastPart(path);
    const int32_t dot = request.display_name.FindLastW(u'.');
    if (dot > 0) request.display_name.TruncateAtW(dot);
  }
  request.class_id = AnsiToUtf16(entry.applet_class_id());
  request.arguments = ToUtf16(entry.shortcut_arguments.c_str(), entry.shortcut_arguments.length(), kCodePageWestern);
  request.pending = pending;
  return request;
}

MsiRequest MakeMsiRequest(const EntryRecord& entry, const String& path, bool silent) {
  MsiRequest request;
  request.path = path;
  request.option = silent ? 2 : entry.msi_option;
  request.remember = (entry.flags & entry_flag::kRememberMsi) != 0;
  return request;
}

