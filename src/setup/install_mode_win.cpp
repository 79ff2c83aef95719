#include <windows.h>

#include "core/os_facts.h"
#include "core/silent_mode.h"
#include "package/blowfish.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/locator_win.h"
#include "package/settings_block.h"
#include "package/settings_reader.h"
#include "package/message_box.h"
#include "setup/exit.h"
#include "setup/install_phases.h"
#include "setup/install_mode.h"
#include "setup/install_sequence.h"
#include "setup/run_state.h"

namespace {

OwnPackage& ThePackage() {
  static OwnPackage package;
  return package;
}

String WindowsFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  String out;
  if (length > 0 && length < MAX_PATH) out.AssignW(reinterpret_cast<const char16_t*>(folder), int32_t(length));
  return out;
}

// Decodes the settings block and reads it into the run's product; damage
// ends through the corrupt-package report. The message boxes follow the
// product from here on.
void ReadProductSettings(const PackageHeader& header, RunProduct& product) {
  Blowfish cipher;
  if (header.has_cipher_key) cipher.SetKey(header.cipher_key, kPackageCipherKeyLength);
  String block;
  const int decoded = DecodeSettingsBlock(header.settings_block.data, header.settings_block.length,
                                          header.settings_checksum, header.has_cipher_key ? &cipher : nullptr,
                                          &block);
  if (decoded != kCorruptNone) ReportCorruptPackage(decoded);

  CommandLine& args = TheRun().args;
  SettingsReadOptions options;
  options.silent = args.silent;
  options.product_name = args.product_name;
  options.windows_folder = WindowsFolder();
  options.button_images_drawn = IsWindowsXPOrLater();
  ProductSettings& settings = product.settings;
  settings.ProductFlags2 = header.flags2;
  const CorruptCode read = ReadSettings(block.bytes(), static_cast<size_t>(block.length()), options, &settings,
                                        &product.languages);
  // The report speaks in the language the table got as far as.
  SetMessageBoxRules(MessageBoxRulesOf(product));
  if (read != kCorruptNone) ReportCorruptPackage(read);
  args.automatic = AutomaticModeFromSettings(settings.AutomaticMode, args.automatic, args.silent);
  SetAutomaticMode(args.automatic);
}

}  // namespace

bool RunInstallMode() {
  OwnPackage& package = ThePackage();
  if (!LoadOwnPackage(TheRun().title.w_str(), &package)) return false;
  TheExitHooks().deployment_codes = (package.header.flags2 >> product_flag2::kDeploymentExitCodes & 1) != 0;
  // Lives until the process ends: the sequence never returns.
  InstallRun run;
  run.package = &package;
  ReadProductSettings(package.header, run.product);
  RunInstallSequence(run);
  return true;
}
