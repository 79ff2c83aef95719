// The process-wide surroundings of the product registration in a Windows
// test: settings and messages of its own, a working log in memory, an empty
// failure summary, a fresh install state with a scratch install folder, and
// the helpers that read back what the registration left.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "actions/file_writer.h"
#include "actions/uninstall_registration.h"
#include "core/file_stream.h"
#include "core/registry_win.h"
#include "core/scratch_folder_wintest.h"
#include "package/message_numbers.h"
#include "package/run_product.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/restart_queue.h"
#include "records/restart_queue_wintest.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_records.h"
#include "records/working_log.h"
#include "testkit/files.h"
#include "testkit/paths.h"

inline String W(const std::wstring& text) { return String(U16(text)); }

// A value as the registry holds it: its type and its data (text without its
// terminating zero).
inline std::optional<RegValue> StoredValue(const String& key_path, const char16_t* name) {
  RegistryKey key;
  RegValue value;
  if (key.Open(RegRoot::kLocalMachine, key_path.w_str(), kRegOpenOnly | kRegNoStack, kRegReadAccess,
               RegView::kDefault) == RegistryKey::kFailed ||
      !key.ReadValue(name, &value, 0)) {
    return std::nullopt;
  }
  return value;
}

inline std::u16string StoredText(const String& key_path, const char16_t* name, uint32_t type = kRegSz) {
  const std::optional<RegValue> value = StoredValue(key_path, name);
  if (!value) return u"<missing>";
  if (value->type != type) return u"<type " + std::u16string(1, static_cast<char16_t>(u'0' + value->type)) + u">";
  return std::u16string(value->data.w_str(), static_cast<size_t>(value->data.wlength()));
}

inline int64_t StoredNumber(const String& key_path, const char16_t* name) {
  const std::optional<RegValue> value = StoredValue(key_path, name);
  uint32_t number = 0;
  if (!value || !RegValueNumber(*value, &number)) return -1;
  return number;
}

// Deletes a key path below HKEY_LOCAL_MACHINE with everything in it.
inline void DeleteMachineKey(const std::wstring& path) {
  const size_t cut = path.find_last_of(L'\\');
  RegistryKey parent;
  if (parent.Open(RegRoot::kLocalMachine, U16(path.substr(0, cut)), kRegOpenOnly | kRegNoStack, kRegWriteAccess,
                  RegView::kDefault) != RegistryKey::kFailed) {
    parent.DeleteKey(U16(path.substr(cut + 1)), 0);
  }
}

class RegistrationRun : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    product_ = RunProduct();
    product_.languages.names.Add(String(u"English"));
    product_.languages.messages.Resize(40);
    product_.languages.messages[message_number::kWriteFailed] = String(u"Could not write:");
    journal_.log.file.AttachStream(log_.stream());
    ClearFailures(journal_);
    ClearUninstallRecords(journal_.records);
    journal_.restart_needed = false;
    key_name_ = testkit::UniqueName(L"BxUnkey");
    key_path_ = UninstallKeyPath(W(key_name_));
    install_folder_ = W(folder_.path().substr(0, folder_.path().size() - 1));
    // As the sequence does: %InstallDir% in the product's values is this folder.
    variable_folders_.install_folder = install_folder_;
    SetVariableFolders(&variable_folders_);
  }
  void TearDown() override {
    DeleteMachineKey(std::wstring(reinterpret_cast<const wchar_t*>(key_path_.w_str())));
    ForgetPendingPairsIn(folder_.path());
    journal_.log.file.Close();
    ClearFailures(journal_);
    ClearUninstallRecords(journal_.records);
    journal_.restart_needed = false;
    SetVariableFolders(nullptr);
  }

  // The registration's inputs for this test's folder.
  UninstallRegistration Inputs() {
    UninstallRegistration inputs;
    inputs.journal = &journal_;
    inputs.product = &product_;
    inputs.supported = product_.settings.Flag(product_flag::kDetectInstallation);
    inputs.install_folder = install_folder_;
    return inputs;
  }

  std::string Log() const { return Text(log_.content()); }
  std::string Failures() const { return Text(journal_.failures.text); }
  std::string Records() const { return Text(journal_.records.records); }

  ScratchFolder folder_;
  String install_folder_;  // the folder without its trailing backslash
  ProductFolders variable_folders_;
  MemoryStream log_;
  std::wstring key_name_;
  String key_path_;
  RunProduct product_;
};
