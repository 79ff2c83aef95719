#include <windows.h>
#include <shlobj.h>

#include "actions/action_guard.h"
#include "actions/associations.h"
#include "actions/registry_work.h"
#include "core/codepage.h"
#include "core/path_rules.h"
#include "core/registry_win.h"
#include "core/string_compare.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/uninstall_records.h"

namespace {

constexpr uint32_t kOpen = kRegNoStack;

// Sets the default value of the open key, first keeping a different,
// non-empty old default under the backup name (so that a second run never
// backs up the installer's own value).
bool SetDefault(RegistryKey& key, const String& text, const String& backup_name) {
  String old;
  if (key.ReadText(u"", &old, 0) && !old.empty() && CompareNoCaseW(old, text) != 0) {
    key.WriteText(backup_name.w_str(), old, 0);
  }
  return key.WriteText(u"", text, 0);
}

class Association {
 public:
  Association(const FileAssociation& a, const RegistryWorkInputs& inputs);
  void Apply();

 private:
  int OpenClassKey(const String& subkey, uint32_t options, RegistryKey* key) const;
  bool SetClassDefault(const String& subkey, const String& text, bool backup) const;
  bool ChooseType(RegistryKey& extension_key);
  void RegisterOpenWith() const;
  void Mark(RegistryKey& type_key, bool type_found) const;
  bool WriteType() const;

  const FileAssociation& a_;
  Journal& journal_;
  String backup_;
  String mark_;
  RegView view_;
  String command_;
  String icon_;
  String prog_id_;
  bool use_existing_ = false;
  bool bang_ = false;
  bool extension_written_ = false;
  bool extension_found_ = false;
};

Association::Association(const FileAssociation& a, const RegistryWorkInputs& inputs)
    : a_(a), journal_(*inputs.journal), backup_(BackupValueName(inputs.product_name)), mark_(AssociationMarkName(inputs.product_name)), view_(inputs.view), prog_id_(a.prog_id) {
  command_ = a.command;
  ExpandVariables(command_);
  if (!a.icon.empty()) {
    icon_ = a.icon;
    ExpandVariables(icon_);
    if (!IsAbsolutePathW(icon_.w_str())) icon_ = JoinPath(inputs.install_folder, icon_.w_str());
  }
  use_existing_ = UsesExistingType(prog_id_);
  bang_ = prog_id_.FindW(u'!') >= 0;
}

int Association::OpenClassKey(const String& subkey, uint32_t options, RegistryKey* key) const {
  return key->Open(RegRoot::kClassesRoot, subkey.w_str(), kOpen | options, kRegWriteAccess, view_);
}

// A mark from an earlier install keeps what that one found; a new install
// means the old values are no longer back.
void Association::Mark(RegistryKey& type_key, bool type_found) const {
  uint32_t mark = (extension_found_ ? kExtensionFound : 0u) | (type_found ? kTypeFound : 0u);
  if (type_key.ReadNumber(mark_.w_str(), &mark, 0)) mark &= ~static_cast<uint32_t>(kMarkRestored);
  type_key.WriteNumber(mark_.w_str(), mark, 0);
}

bool Association::SetClassDefault(const String& subkey, const String& text, bool backup) const {
  RegistryKey key;
  if (!OpenClassKey(subkey, 0, &key)) return false;
  return backup ? SetDefault(key, text, backup_) : key.WriteText(u"", text, 0);
}

// Settles the file type; false when this association cannot go on.
bool Association::ChooseType(RegistryKey& extension_key) {
  if (a_.mode == static_cast<uint8_t>(AssociationMode::kOpenWithOnly)) return true;
  if (use_existing_) {
    String existing;
    extension_key.ReadText(u"", &existing, 0);
    if (!existing.empty()) {
      prog_id_ = existing;  // the extension keeps naming its type
      return true;
    }
    if (!bang_) {
      LogFormatW(journal_, u"Association failed/no label:  \"%s\".\r\n\r\n", a_.extension.w_str());
      return false;
    }
    use_existing_ = false;
  }
  extension_written_ = extension_key.is_open() && SetDefault(extension_key, prog_id_, backup_);
  return true;
}

void Association::RegisterOpenWith() const {
  if (command_.empty()) return;
  if (a_.mode != static_cast<uint8_t>(AssociationMode::kOpenWithOnly) && !a_.verb.EqualsW(u"open")) return;
  String subkey = a_.extension;
  subkey.AppendW(u"\\OpenWithProgids");
  RegistryKey key;
  if (OpenClassKey(subkey, 0, &key) && key.WriteText(prog_id_.w_str(), u"", 0)) {
    LogFormatW(journal_, u"%s Open With %s\r\n", a_.extension.w_str(), command_.w_str());
  }
}

// The type's own keys; true when the command was written.
bool Association::WriteType() const {
  RegistryKey type_key;
  const int opened = type_key.Open(RegRoot::kClassesRoot, prog_id_.w_str(), kOpen, kRegWriteAccess, view_);
  if (opened == RegistryKey::kFailed) return false;
  Mark(type_key, opened == RegistryKey::kOpened);
  if (!use_existing_ && !a_.description.empty()) SetDefault(type_key, a_.description, backup_);
  // A type the extension already had is the user's: its description is kept
  // under the backup name as well, so that the uninstaller restores the type
  // instead of deleting it, however little of it there is.
  String description;
  if (use_existing_ && opened == RegistryKey::kOpened && !type_key.ValueExists(backup_.w_str()) &&
      type_key.ReadText(u"", &description, 0) && !description.empty()) {
    type_key.WriteText(backup_.w_str(), description, 0);
  }
  String shell = prog_id_;
  shell.AppendW(u"\\");
  if (!icon_.empty()) {
    String icon_key = shell;
    icon_key.AppendW(u"DefaultIcon");
    SetClassDefault(icon_key, icon_, true);
  }
  shell.AppendW(u"shell");
  if (a_.mode == static_cast<uint8_t>(AssociationMode::kDefaultVerb)) SetClassDefault(shell, a_.verb, true);
  if (a_.verb.empty()) return false;
  String verb = shell;
  verb.AppendW(u"\\");
  verb.Append(a_.verb);
  // With its backup too: on a type that was there before, the label belongs
  // to that type's own verb.
  if (!a_.verb_label.empty()) SetClassDefault(verb, a_.verb_label, true);
  verb.AppendW(u"\\command");
  return !command_.empty() && SetClassDefault(verb, command_, true);
}

void Association::Apply() {
  RegistryKey extension_key;
  const int opened = OpenClassKey(a_.extension, use_existing_ && !bang_ ? static_cast<uint32_t>(kRegOpenOnly) : 0u, &extension_key);
  extension_found_ = opened == RegistryKey::kOpened;
  if (opened == RegistryKey::kFailed && use_existing_) {
    LogFormatW(journal_, u"Association failed/key inaccessible:  \"%s\".\r\n\r\n", a_.extension.w_str());
    return;
  }
  if (!ChooseType(extension_key)) return;
  RegisterOpenWith();
  const bool command_written = WriteType();
  RecordAssociation(journal_.records, Utf16ToAnsi(a_.extension).c_str(), Utf16ToAnsi(prog_id_).c_str(), Utf16ToAnsi(a_.verb).c_str(),
                    Utf16ToAnsi(icon_).c_str());
  if (!command_written) {
    AddFailureFormatW(journal_, u"Failed to associate file type:  \"%s\".\r\n\r\n", a_.extension.w_str());
  } else if (extension_written_) {
    LogFormatW(journal_, u"Associated %s with %s\r\n", a_.extension.w_str(), command_.w_str());
  }
}

bool LanguageHolds(const FileAssociation& a, const String& language) {
  return a.language.empty() || CompareNoCaseW(a.language, language) == 0;
}

}  // namespace

void ApplyAssociations(const RegistryWorkInputs& inputs) {
  auto work = [&inputs]() {
    for (int32_t i = 0; i < inputs.associations.Count(); ++i) {
      const FileAssociation& a = inputs.associations[i];
      if (a.extension.empty() || !LanguageHolds(a, inputs.language)) continue;
      Association(a, inputs).Apply();
    }
  };
  if (!RunActionGuarded(work)) AddFailure(*inputs.journal, "Crashed while installing associations.\r\n");
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
