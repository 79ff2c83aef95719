#include <windows.h>

#include "core/codepage.h"
#include "core/fatal.h"
#include "core/file_ops.h"
#include "core/os_facts.h"
#include "core/os_name.h"
#include "core/redirection_win.h"
#include "core/registry_win.h"
#include "core/version_compare.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "package/message_numbers.h"
#include "core/path_rules.h"
#include "records/uninstall_data.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_value_names.h"
#include "setup/exit.h"
#include "setup/install_checks.h"
#include "setup/install_state.h"
#include "setup/refusals.h"
#include "setup/run_state.h"

namespace {

constexpr uint8_t kBitness64 = bitness::k64;
constexpr uint8_t kBitness32 = bitness::k32;

void* g_redirection = nullptr;
bool g_redirection_off = false;

String ReadUninstallValue(RegistryKey& key, const char16_t* name) {
  String value;
  key.ReadText(name, &value, 0);
  return value;
}

}  // namespace

String ReadRegistryValueText(const String& value_path) {
  RegPath path;
  String value_name;
  String text;
  if (!ParseRegValuePath(value_path.w_str(), &path, &value_name) || path.all_users) return text;
  RegistryKey key;
  if (key.Open(path.root, path.subkey.w_str(), kRegOpenOnly | kRegNoStack, kRegReadAccess, RegView::kDefault)) {
    key.ReadText(value_name.w_str(), &text, 0);
  }
  return text;
}

void CheckBitness(const RunProduct& product) {
  const uint8_t bitness = product.settings.Bitness;
  if (bitness != kBitness64 && bitness != kBitness32) return;
  const bool windows64 = Is64BitWindows();
  if ((bitness == kBitness64) != windows64) {
    if (TheRun().args.automatic) CommonExit(RunOutcome::kUnsupportedSystem);
    RefuseWithMessage(product.languages, message_number::kWrongBitness, RunOutcome::kUnsupportedSystem);
  }
  if (bitness == kBitness64) {
    if (!DisableRedirection(&g_redirection)) FatalMessage("Wow64DisableWow64FsRedirection() failed");
    g_redirection_off = true;
  }
}

void RestoreRedirection() {
  if (!g_redirection_off) return;
  RevertRedirection(g_redirection);
  g_redirection_off = false;
}

void CheckExcludedSystems(const RunProduct& product) {
  const uint32_t excluded = static_cast<uint32_t>(product.settings.ExcludedSystems);
  if ((excluded & OsFamilyBit(CurrentOsFamily())) == 0) return;
  RefuseWithText(FillMessage(MessageText(product.languages, message_number::kExcludedSystem), {OSName(0)}),
                 RunOutcome::kUnsupportedSystem);
}

void CheckRequiredProduct(const RunProduct& product) {
  const ProductSettings& settings = product.settings;
  if (!settings.Flag(product_flag::kRequiresProduct)) return;
  const String& key_name = settings.RequiredProductKey.empty() ? settings.DisplayName : settings.RequiredProductKey;
  const String& name = settings.RequiredProductName.empty() ? settings.DisplayName : settings.RequiredProductName;
  RegistryKey key;
  if (!key.Open(RegRoot::kLocalMachine, UninstallKeyPath(key_name).w_str(), kRegOpenOnly | kRegNoStack,
                kRegReadAccess, RegView::kDefault)) {
    RefuseWithText(FillMessage(MessageText(product.languages, message_number::kRequiredProductMissing), {name}));
  }
  const String location = ReadUninstallValue(key, uninstall_value::kInstallLocation);
  const String version = ReadUninstallValue(key, uninstall_value::kDisplayVersion);
  if (!settings.RequiredProductVersion.empty() &&
      CompareVersionsW(version.w_str(), settings.RequiredProductVersion.w_str()) < 0) {
    RefuseWithText(FillMessage(MessageText(product.languages, message_number::kRequiredProductTooOld), {name, settings.RequiredProductVersion}));
  }
  if (settings.DefaultInstallDir.EqualsW(u"<master>")) TheInstall().install_folder = location;
}

void TakeSingleInstance(const RunProduct& product) {
  if (!product.settings.Flag(product_flag::kSingleInstance)) return;
  // Held for the life of the process; the system releases it at exit.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Bastionix VBS");
  // A name we may not open belongs to another installer that keeps it from
  // us: that one runs as surely as one that holds it.
  if (!mutex && GetLastError() != ERROR_ACCESS_DENIED) return;
  if (!mutex || WaitForSingleObject(mutex, 0) == WAIT_TIMEOUT) {
    RefuseWithMessage(product.languages, message_number::kAlreadyRunning, RunOutcome::kAnotherInstaller);
  }
}

void DetectEarlierInstallation(const ProductSettings& settings) {
  InstallState& state = TheInstall();
  RegistryKey key;
  const bool opened = key.Open(RegRoot::kLocalMachine, UninstallKeyPath(settings.UninstallKeyName).w_str(),
                               kRegOpenOnly | kRegNoStack, kRegReadAccess, RegView::kDefault);
  if (opened) state.earlier_publisher = ReadUninstallValue(key, uninstall_value::kPublisher);
  if (!settings.Flag(product_flag::kDetectInstallation)) return;
  if (opened) {
    state.existing_location = ReadUninstallValue(key, uninstall_value::kInstallLocation);
    state.old_version = ReadUninstallValue(key, uninstall_value::kDisplayVersion);
    state.old_shared_files = ReadUninstallValue(key, uninstall_value::kSharedFiles);
    state.old_product_fonts = ReadUninstallValue(key, uninstall_value::kProductFonts);
    const String subfolder = ReadUninstallValue(key, uninstall_value::kUninstallSubdir);
    const String& location = state.existing_location;
    const String data_folder = subfolder.empty() ? location : JoinPath(location, subfolder.w_str());
    if (!location.empty()) AddRecordedFiles(UninstallDataPath(data_folder), &state.old_recorded_files);
    state.old_start_menu = ReadUninstallValue(key, uninstall_value::kProductStartMenu);
  }
  if (state.existing_location.empty() && !settings.InstallLocationSource.empty()) {
    state.existing_location = ReadRegistryValueText(AnsiToUtf16(settings.InstallLocationSource));
  }
  state.existing = !state.existing_location.empty() && FolderExists(state.existing_location.w_str());
}
