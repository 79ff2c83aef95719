#include <windows.h>

#include "core/silent_mode.h"
#include "package/blowfish.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/locator_win.h"
#include "package/settings_block.h"
#include "package/settings_reader.h"
#include "package/settings_state.h"
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

// Decodes the settings block and reads it into the process-wide settings and
// language table; damage ends through the corrupt-package report.
void ReadProductSettings(const PackageHeader& header) {
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
  ProductSettings& settings = Settings();
  settings.ProductFlags2 = header.flags2;
  const CorruptCode read = ReadSettings(block.bytes(), static_cast<size_t>(block.length()), options, &settings,
                                        &Languages());
  if (read != kCorruptNone) ReportCorruptPackage(read);
  args.automatic = AutomaticModeFromSettings(settings.AutomaticMode, args.automatic, args.silent);
  SetAutomaticMode(args.automatic);
}

}  // namespace

bool RunInstallMode() {
  OwnPackage& package = ThePackage();
  if (!LoadOwnPackage(TheRun().title.w_str(), &package)) return false;
  ReadProductSettings(package.header);
  RunInstallSequence(package);
  return true;
}
