#include <windows.h>

#include "actions/file_writer.h"
#include "actions/uninstall_registration.h"
#include "core/codepage.h"
#include "core/environment.h"
#include "core/file_errors.h"
#include "core/file_ops.h"
#include "core/format.h"
#include "core/path_rules.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "actions/folder_rights.h"
#include "package/message_numbers.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/record_refusal.h"
#include "records/restart_queue.h"
#include "records/uninstall_data.h"
#include "records/uninstall_records.h"
#include "records/uninstall_value_names.h"

namespace {

constexpr char16_t kSaveFailedFormat[] = u"Failed to save data in registry key \"%s\": %s\r\n";

bool WriteOne(RegistryKey& key, const EntryValue& value) {
  const char16_t* name = value.name.w_str();
  switch (value.kind) {
    case EntryValueKind::kText:
      return key.WriteText(name, value.text, 0);
    case EntryValueKind::kExpandText:
      return key.WriteText(name, value.text, kRegAsExpandable);
    case EntryValueKind::kNumber:
      return key.WriteNumber(name, value.number, 0);
    case EntryValueKind::kDelete:
      // Gone already is as good as deleted.
      key.DeleteValue(name, 0);
      return true;
  }
  return false;
}

// A value in a subkey opens (for a deletion: only finds) the subkey first.
bool WriteEntryValue(RegistryKey& key, const EntryValue& value) {
  if (value.subkey.empty()) return WriteOne(key, value);
  const bool deleting = value.kind == EntryValueKind::kDelete;
  const uint32_t options = deleting ? kRegOpenOnly : 0u;
  if (key.OpenSubkey(value.subkey.w_str(), options, kRegWriteAccess) == RegistryKey::kFailed) {
    return deleting;
  }
  const bool written = WriteOne(key, value);
  const DWORD error = GetLastError();
  key.Close();
  SetLastError(error);
  return written;
}

// The name as the package gave it, subkey included.
String FullValueName(const EntryValue& value) {
  if (value.subkey.empty()) return value.name;
  String name = value.subkey;
  name.AppendW(u'\\');
  name.Append(value.name);
  return name;
}

// Writes the values in order. A failed product-defined value is reported at
// once; a failed "UninstallString" leaves its reason in `error_text`.
void WriteEntryValues(Journal& journal, RegistryKey& key, const Vector<EntryValue>& values, String* error_text) {
  for (const EntryValue& value : values) {
    if (WriteEntryValue(key, value)) continue;
    const String reason = LastErrorTextW();
    if (value.product_defined) {
      AddFailureFormatW(journal, kSaveFailedFormat, FullValueName(value).w_str(), reason.w_str());
    } else if (value.subkey.empty() && value.name.EqualsW(uninstall_value::kUninstallString)) {
      *error_text = reason;
    }
  }
}

// The uninstaller finds the product by this value: it must read back as written.
bool ReadsBack(RegistryKey& key, const String& command, String* error_text) {
  String stored;
  if (!key.ReadText(uninstall_value::kUninstallString, &stored, 0)) {
    if (error_text->empty()) *error_text = LastErrorTextW();
    return false;
  }
  return stored == command;
}

// Steps of the key: open or create it, write, read back. False with the
// reason (possibly empty) when the uninstaller could not rely on it.
bool SaveUninstallKey(Journal& journal, const ProductSettings& settings, const UninstallEntryFacts& facts, String* error_text) {
  RegistryKey key;
  // The uninstaller opens the key in the default view, as a 32-bit process.
  if (key.Open(RegRoot::kLocalMachine, UninstallKeyPath(facts.key_name).w_str(), kRegNoStack, kRegWriteAccess,
               RegView::kDefault) == RegistryKey::kFailed) {
    *error_text = LastErrorTextW();
    return false;
  }
  WriteEntryValues(journal, key, UninstallEntryValues(settings, facts), error_text);
  return ReadsBack(key, UninstallCommand(facts.uninstaller_path, facts.key_name, false), error_text);
}

void ReportUnsavedKey(Journal& journal, const String& error_text) {
  if (!error_text.empty()) AddFailureFormatW(journal, u"System error: %s\r\n\r\n", error_text.w_str());
  AddFailure(journal, "Unable to save the uninstall information to the registry.  Uninstall will not work properly.\r\n\r\n");
}

bool WriteFolderValue(RegRoot root, const String& subkey, const String& value_name, const String& folder) {
  RegistryKey key;
  return key.Open(root, subkey.w_str(), kRegNoStack, kRegWriteAccess, RegView::kDefault) != RegistryKey::kFailed &&
         key.WriteText(value_name.w_str(), folder, 0);
}

// The product names a registry value that should hold its install folder
// (root, key path and value name); the key is created when missing.
void WriteInstallLocationSource(Journal& journal, const String& source_narrow, const String& install_folder) {
  if (IsBlankText(AnsiToUtf16(source_narrow).w_str())) return;
  const String source = AnsiToUtf16(source_narrow);
  RegPath path;
  String value_name;
  bool written = false;
  if (!ParseRegValuePath(source.w_str(), &path, &value_name)) {
    SetLastError(ERROR_BAD_PATHNAME);
  } else if (!path.all_users) {
    written = WriteFolderValue(path.root, path.subkey, value_name, install_folder);
  } else {
    Array<String> hives;
    written = UserHives(&hives);
    for (const String& hive : hives) {
      written = WriteFolderValue(RegRoot::kUsers, UserHiveSubkey(hive.w_str(), path.subkey.w_str()), value_name,
                                 install_folder) && written;
    }
  }
  if (!written) AddFailureFormatW(journal, kSaveFailedFormat, source.w_str(), LastErrorTextW().w_str());
}

// A file the uninstaller uses, written into the uninstall data folder and
// recorded for uninstall. True when it is there, or will be after the restart.
bool WriteDataFolderFile(const FileWriteRules& rules, const String& folder, const char16_t* name, const String& bytes,
                         String* path) {
  *path = JoinPath(folder, name);
  AddUninstallRecordW(rules.journal->records, *path, kRecordFile);
  const bool existed = GetAttributes(path->w_str()) != kNoAttributes;
  bool pending = false;
  return WritePackagedFile(rules, *path, bytes.c_str(), bytes.length(), FileDate{}, -1, existed, &pending) || pending;
}

// "reboot.dat" in the install folder, deleted by the next restart: while it
// is there, a restart is still pending.
void CreateRestartMarker(const FileWriteRules& rules, const String& install_folder) {
  const String path = JoinPath(install_folder, kRestartMarkerName);
  bool pending = false;
  if (!WritePackagedFile(rules, path, "", 0, FileDate{}, -1, false, &pending)) return;  // the writer reported it
  if (!DeleteFileAtRestart(path)) {
    LogFormatW(*rules.journal, u"Failed to register \"%s\" for deletion at restart: %s\r\n", path.w_str(), LastErrorTextW().w_str());
  }
}

void SaveUninstallDataFile(Journal& journal, const RunProduct& product, const String& uninstall_folder) {
  const String path = UninstallDataPath(uninstall_folder);
  int code = kFileOk;
  if (WriteUninstallData(product, journal.records, path, &code)) return;
  String reason = LastErrorTextW();
  if (reason.empty()) reason = AnsiToUtf16(ErrorText(code));
  const String head = MessageText(product.languages, message_number::kWriteFailed);
  AddFailureFormatW(journal, u"%s %s\r\n%s\r\n\r\n", head.w_str(), path.w_str(), reason.w_str());
}

const String& UninstallFolder(const UninstallRegistration& inputs) {
  return inputs.uninstall_folder.empty() ? inputs.install_folder : inputs.uninstall_folder;
}

bool InProgramFiles(const String& folder) {
  for (const FolderView view : {FolderView::kDefault, FolderView::k32, FolderView::k64}) {
    const String programs = FolderPath(FolderSource::kProgramFiles, view);
    if (!programs.empty() && IsSameOrBelow(folder, programs)) return true;
  }
  return false;
}

// The elevated uninstaller carries out what the data file says. Program
// Files keeps users from changing it; elsewhere its folder and file get
// rights of their own. A user's own installation (not elevated) stays the
// user's, and an install folder that is the data folder keeps the rights the
// product asked for.
void ProtectUninstallData(Journal& journal, const UninstallRegistration& inputs) {
  const String& folder = UninstallFolder(inputs);
  if (InProgramFiles(folder) || !RunsAsAdministrator()) return;
  const bool product_rights = inputs.product->settings.Flag(product_flag::kGrantFolderRights) &&
                              IsSameOrBelow(inputs.install_folder, folder);
  uint32_t error = product_rights ? 0 : RestrictToAdministrators(folder, true);
  if (error == 0) error = RestrictToAdministrators(UninstallDataPath(folder), false);
  if (error != 0) {
    LogFormatW(journal, u"Failed to restrict the rights to \"%s\": %s\r\n", folder.w_str(),
               SystemErrorTextW(error).w_str());
  }
}

UninstallEntryFacts MakeUninstallEntryFacts(const UninstallRegistration& inputs, const String& uninstaller_path,
                                            const String& installer_path) {
  UninstallEntryFacts facts;
  facts.key_name = inputs.product->settings.UninstallKeyName;
  facts.start_menu = inputs.start_menu;
  // A file staged on the way here (an uninstaller in use) asks for the restart too.
  facts.restart_asked = inputs.journal->restart_needed;
  facts.restore_point_not_made = inputs.restore_point_not_made;
  facts.mono_colour_fallback = inputs.mono_colour_fallback;
  facts.uninstaller_path = uninstaller_path;
  facts.installer_path = installer_path;
  facts.install_folder = inputs.install_folder;
  facts.shared_folder = inputs.shared_folder;
  facts.product_fonts = inputs.product_fonts;
  facts.shared_files = inputs.shared_files;
  facts.add_to_path_subfolder = inputs.add_to_path_subfolder;
  facts.total_bytes = inputs.total_bytes < 0 ? 0 : inputs.total_bytes;
  facts.today = LocalNow();
  facts.expand = ExpandVariables;
  return facts;
}

// The uninstaller and the files beside it, then the key. True when the key
// was saved; otherwise `error_text` holds the reason.
bool RegisterProduct(const UninstallRegistration& inputs, const FileWriteRules& rules, String* error_text) {
  const ProductSettings& settings = inputs.product->settings;
  Journal& journal = *inputs.journal;
  const String& folder = UninstallFolder(inputs);
  const String installer_path = inputs.installer_path.empty() ? ProgramFilePath() : inputs.installer_path;
  const String uninstaller_path =
      JoinPath(folder, inputs.uninstaller_name.empty() ? kDefaultUninstallerName : inputs.uninstaller_name.w_str());
  PlaceUninstaller(rules, uninstaller_path, inputs.program, installer_path, inputs.uninstaller_icon);

  UninstallEntryFacts facts = MakeUninstallEntryFacts(inputs, uninstaller_path, installer_path);
  String icon_path;
  if (!inputs.product_icon.empty() && WriteDataFolderFile(rules, folder, kProductIconName, inputs.product_icon, &icon_path)) {
    facts.product_icon_path = icon_path;
  }
  String bitmap_path;
  facts.bitmap_written = !settings.BackgroundBitmap.empty() &&
                         WriteDataFolderFile(rules, folder, kBackgroundBitmapName, settings.BackgroundBitmap, &bitmap_path);
  return SaveUninstallKey(journal, settings, facts, error_text);
}

}  // namespace

bool WriteUninstallKey(Journal& journal, const ProductSettings& settings, const UninstallEntryFacts& facts) {
  String error_text;
  if (SaveUninstallKey(journal, settings, facts, &error_text)) return true;
  ReportUnsavedKey(journal, error_text);
  return false;
}

bool RegisterUninstall(const UninstallRegistration& inputs) {
  const ProductSettings& settings = inputs.product->settings;
  Journal& journal = *inputs.journal;
  const FileWriteRules rules = FileWriteRulesOf(*inputs.product, journal);
  const int32_t failures_before = journal.failures.count;
  const bool supported = inputs.supported;
  String error_text;
  const bool saved = supported && RegisterProduct(inputs, rules, &error_text);
  WriteInstallLocationSource(journal, settings.InstallLocationSource, inputs.install_folder);
  if (supported && !saved) ReportUnsavedKey(journal, error_text);
  if (settings.Flag(product_flag::kRestartMarker)) CreateRestartMarker(rules, inputs.install_folder);
  if (supported) {
    if (inputs.before_data_file) inputs.before_data_file(inputs.before_data_file_context);
    SaveUninstallDataFile(journal, *inputs.product, UninstallFolder(inputs));
    ProtectUninstallData(journal, inputs);
  }
  return journal.failures.count == failures_before;
}
