#include "records/uninstall_entry.h"

#include "core/codepage.h"
#include "core/number_format.h"
#include "core/registry_path.h"
#include "core/registry_value.h"
#include "records/install_log.h"
#include "records/uninstall_value_names.h"

namespace {

// Builds the table in order; each call adds one value.
class EntryTable {
 public:
  explicit EntryTable(Vector<EntryValue>& out) : out_(out) {}

  void Text(const char16_t* name, const String& text) { Add(name, EntryValueKind::kText, text, 0); }
  // Delete-when-empty: an empty text removes what an earlier installation left.
  void TextOrDelete(const char16_t* name, const String& text) {
    Add(name, text.empty() ? EntryValueKind::kDelete : EntryValueKind::kText, text, 0);
  }
  // 8-bit texts are kept as the ANSI registry interface would store them.
  void NarrowOrDelete(const char16_t* name, const String& narrow) { TextOrDelete(name, AnsiToUtf16(narrow)); }
  void Number(const char16_t* name, uint32_t number) { Add(name, EntryValueKind::kNumber, String(), number); }
  void Delete(const char16_t* name) { Add(name, EntryValueKind::kDelete, String(), 0); }
  void NumberOrDelete(const char16_t* name, bool present, uint32_t number) {
    if (present) {
      Number(name, number);
    } else {
      Delete(name);
    }
  }

 private:
  void Add(const char16_t* name, EntryValueKind kind, const String& text, uint32_t number) {
    EntryValue& value = out_.Emplace();
    value.name = String(name);
    value.kind = kind;
    value.text = text;
    value.number = number;
  }

  Vector<EntryValue>& out_;
};

void AddStandardValues(const ProductSettings& s, const UninstallEntryFacts& f, EntryTable& t) {
  t.Text(uninstall_value::kUninstallString, UninstallCommand(f.uninstaller_path, f.key_name, false));
  t.Text(uninstall_value::kQuietUninstallString, UninstallCommand(f.uninstaller_path, f.key_name, true));
  t.Text(uninstall_value::kDisplayName, s.DisplayName);
  t.Text(uninstall_value::kInstallSource, f.installer_path);
  t.TextOrDelete(uninstall_value::kPublisher, s.Publisher);
  t.Number(uninstall_value::kBitness, s.Bitness);
  t.TextOrDelete(uninstall_value::kDisplayVersion, s.DisplayVersion);
  t.TextOrDelete(uninstall_value::kNoDowngradeBelow, s.NoDowngradeBelow);
  t.TextOrDelete(uninstall_value::kDisplayIcon, f.product_icon_path);
  uint32_t major = 0;
  uint32_t minor = 0;
  const bool parts = VersionParts(s.DisplayVersion, &major, &minor);
  t.NumberOrDelete(uninstall_value::kVersionMajor, parts, major);
  t.NumberOrDelete(uninstall_value::kVersionMinor, parts, minor);
}

void AddProductValues(const ProductSettings& s, const UninstallEntryFacts& f, EntryTable& t) {
  t.TextOrDelete(uninstall_value::kProductRegistry, s.ProductRegistry);
  t.TextOrDelete(uninstall_value::kProductStartMenu, f.start_menu);
  t.TextOrDelete(uninstall_value::kSharedPath, f.shared_folder);
  t.NarrowOrDelete(uninstall_value::kProductFonts, f.product_fonts);
  // The uninstaller reads the flags back as 64-bit and 32-bit numbers.
  uint64_t flags = s.ProductFlags;
  if (f.restart_asked) flags |= uint64_t{1} << product_flag::kAskRestart;
  uint32_t flags2 = s.ProductFlags2;
  if (f.restore_point_not_made) flags2 &= ~(uint32_t{1} << product_flag2::kRestorePoint);
  t.Text(uninstall_value::kProductFlags, IntToTextW(static_cast<int64_t>(flags)));
  t.Text(uninstall_value::kProductFlags2, UIntToTextW(flags2));
  t.TextOrDelete(uninstall_value::kUninstallBatch1, s.UninstallBatch1);
  t.TextOrDelete(uninstall_value::kUninstallBatch2, s.UninstallBatch2);
  t.NarrowOrDelete(uninstall_value::kSharedFiles, f.shared_files);
  t.TextOrDelete(uninstall_value::kUninstallSubdir, s.UninstallSubdir);
  t.TextOrDelete(uninstall_value::kAddToPathSubfolder, f.add_to_path_subfolder);
  t.Number(uninstall_value::kShortcutMode, s.ShortcutMode);
  t.TextOrDelete(uninstall_value::kNotifyUrl, s.NotifyURL);
  t.TextOrDelete(uninstall_value::kSupportOffer, s.SupportOffer);
  t.TextOrDelete(uninstall_value::kDesktopFolder, s.DesktopFolder);
  uint32_t kib = 0;
  const bool sized = EstimatedSizeKiB(f.total_bytes, &kib);
  t.NumberOrDelete(uninstall_value::kEstimatedSize, sized, kib);
}

// So that the uninstaller paints the same background window.
void AddPaintingValues(const ProductSettings& s, const UninstallEntryFacts& f, EntryTable& t) {
  t.Text(uninstall_value::kDisplayTitle, s.DisplayTitle);
  t.Number(uninstall_value::kTitleColor, s.TitleColor);
  t.Text(uninstall_value::kTitleSize, RegRealText(s.TitleSize));
  t.Number(uninstall_value::kTopColor, s.TopColor);
  const bool mono = s.MonoColor || f.mono_colour_fallback;
  t.NumberOrDelete(uninstall_value::kBottomColor, !mono, s.BottomColor);
  t.Number(uninstall_value::kMonoColor, mono ? 1 : 0);
  t.Number(uninstall_value::kTitleShadow, s.TitleShadow);
  t.Number(uninstall_value::kTitlePosition, s.TitlePosition);
  t.Text(uninstall_value::kTitleFont, AnsiToUtf16(s.TitleFont));
  t.Text(uninstall_value::kTaskbarText, s.TaskbarText);
  t.Text(uninstall_value::kCopyrightText, s.CopyrightText);
  t.Text(uninstall_value::kCopyrightFont, s.CopyrightFont);
  t.Text(uninstall_value::kCopyrightSize, RegRealText(s.CopyrightSize));
  t.Text(uninstall_value::kCopyrightColor, ColourText(s.CopyrightColor));
  t.Number(uninstall_value::kCopyrightPos, s.CopyrightPos);
  t.NumberOrDelete(uninstall_value::kBitmapSize, f.bitmap_written, static_cast<uint32_t>(s.BitmapSize));
  t.NumberOrDelete(uninstall_value::kBitmapTpi, f.bitmap_written && s.BitmapTPI != -1,
                   static_cast<uint32_t>(s.BitmapTPI));
  t.NumberOrDelete(uninstall_value::kStretchMode, f.bitmap_written, static_cast<uint32_t>(s.StretchMode));
}

}  // namespace

Vector<EntryValue> UninstallEntryValues(const ProductSettings& settings, const UninstallEntryFacts& facts) {
  Vector<EntryValue> values;
  EntryTable table(values);
  AddStandardValues(settings, facts, table);
  AddProductValues(settings, facts, table);
  AddPaintingValues(settings, facts, table);
  AppendProductDefinedValues(settings.UninstallValues, facts.expand, values);
  table.Text(uninstall_value::kInstallLocation, facts.install_folder);
  table.Text(uninstall_value::kInstallDate, InstallDateText(facts.today));
  return values;
}

void AppendProductDefinedValues(const Vector<UninstallValue>& values, void (*expand)(String&),
                                Vector<EntryValue>& out) {
  for (const UninstallValue& item : values) {
    EntryValue& value = out.Emplace();
    value.product_defined = true;
    const String name = AnsiToUtf16(item.name);
    if (name.FindW(u'\\') >= 0) {
      SplitValue(name.w_str(), name.wlength(), &value.subkey, &value.name);
    } else {
      value.name = name;
    }
    String text = item.text;
    if (expand) expand(text);
    if (item.type == UninstallValue::kDword) {
      value.number = LeadingNumber(text);
      value.kind = value.number == 0 ? EntryValueKind::kDelete : EntryValueKind::kNumber;
    } else if (text.empty()) {
      value.kind = EntryValueKind::kDelete;
    } else {
      value.kind = item.type == UninstallValue::kExpandString ? EntryValueKind::kExpandText : EntryValueKind::kText;
      value.text = text;
    }
  }
}

String UninstallCommand(const String& uninstaller_path, const String& key_name, bool quiet) {
  String command(u"\"");
  command.Append(uninstaller_path);
  command.AppendW(quiet ? u"\" /a /u:\"" : u"\" /u:\"");
  command.Append(key_name);
  command.AppendW(u'"');
  return command;
}

String InstallDateText(const DateTime& today) { return FormatDateTimeW(today, u"yymmdd"); }

bool EstimatedSizeKiB(int64_t bytes, uint32_t* kib) {
  const int64_t size = bytes / 1024;
  if (size <= 0 || size > static_cast<int64_t>(UINT32_MAX)) return false;
  *kib = static_cast<uint32_t>(size);
  return true;
}

bool VersionParts(const String& version, uint32_t* major, uint32_t* minor) {
  const int32_t point = version.FindW(u'.');
  if (point < 0) return false;
  *major = LeadingNumber(String(version.w_str(), point));
  *minor = LeadingNumber(String(version.w_str() + point + 1));
  return true;
}

uint32_t LeadingNumber(const String& text) {
  const char16_t* p = text.w_str();
  while (*p == u' ' || *p == u'\t' || *p == u'\r' || *p == u'\n') ++p;
  const bool negative = *p == u'-';
  if (*p == u'-' || *p == u'+') ++p;
  uint32_t number = 0;
  for (; *p >= u'0' && *p <= u'9'; ++p) number = number * 10 + static_cast<uint32_t>(*p - u'0');
  return negative ? 0u - number : number;
}

String ColourText(uint32_t colour) { return UIntToTextW(colour); }

String TextCopyName(const char16_t* stem, int32_t list_count, int32_t number) {
  String name(stem);
  if (list_count != 1) name.Append(IntToTextW(number));
  name.AppendW(u".txt");
  return name;
}

String TextCopyBytes(const String& text) {
  if (text.StartsWithW(u"{\\rtf")) return Utf16ToAnsi(text);
  String bytes(kUtf8Bom);
  bytes.Append(Utf16ToUtf8(text));
  return bytes;
}

String UninstallKeyPath(const String& product_name) {
  String path(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
  path.AppendW(product_name.w_str(), product_name.wlength());
  return path;
}
