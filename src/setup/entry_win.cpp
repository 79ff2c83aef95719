#include "setup/entry_win.h"

#include <ole2.h>

#include "core/codepage.h"
#include "core/environment.h"
#include "core/fatal.h"
#include "core/full_path.h"
#include "core/privileges_win.h"
#include "core/silent_mode.h"
#include "crash/crash_handler_win.h"
#include "package/locator_win.h"
#include "net/notify_worker.h"
#include "wizard/window_icons_win.h"
#include "setup/command_line.h"
#include "setup/crash_records_win.h"
#include "setup/exit.h"
#include "setup/fatal_display.h"
#include "setup/install_mode.h"
#include "setup/notifications_win.h"
#include "setup/run_state.h"
#include "uninstall/self_removal.h"
#include "uninstall/uninstall_mode.h"

namespace {

const char16_t kNoInstallationData[] =
    u"This program performs installations and uninstallations.\r\n"
    u"There is no installation data present.\r\n"
    u"No uninstallation parameters were specified.\r\n\r\n"
    u"You should not delete this program or execute it directly.";

String AnsiText(const String& wide) { return Utf16ToAnsi(wide); }

// A run that ends before it reads its package (a wrong command line, an
// uninstall of a product that is not there) still speaks in the codes the
// package asks for.
void UseOwnPackageExitCodes() {
  TheExitHooks().deployment_codes = (OwnPackageFlags2() >> product_flag2::kDeploymentExitCodes & 1) != 0;
}

[[noreturn]] void BadCommandLine(const char16_t* text) {
  UseOwnPackageExitCodes();
  TheExitHooks().fatal_outcome = RunOutcome::kBadCommandLine;
  FatalMessageW(text);
}

static_assert(int(RunOutcome::kUninstallDeclined) - int(RunOutcome::kNotInstalled) == int(UninstallOutcome::kDeclined) &&
                  int(RunOutcome::kUninstallFailed) - int(RunOutcome::kNotInstalled) == int(UninstallOutcome::kFailed) &&
                  int(RunOutcome::kUninstalled) - int(RunOutcome::kNotInstalled) == int(UninstallOutcome::kSucceeded),
              "the uninstall outcomes keep their order in RunOutcome");

RunOutcome OutcomeOf(const UninstallResult& result) {
  // The Uninstall key that would have told is not there.
  if (result.outcome == UninstallOutcome::kNotInstalled) UseOwnPackageExitCodes();
  return static_cast<RunOutcome>(int(RunOutcome::kNotInstalled) + int(result.outcome) + (result.restart_pending ? 1 : 0));
}

void ReadCommandLine() {
  CommandLine& args = TheRun().args;
  String offending;
  const CommandLineResult result =
      ParseCommandLine(reinterpret_cast<const char16_t*>(GetCommandLineW()), AnsiText, args, offending);
  // The core library's own boxes and the message boxes follow the run's
  // modes, the usage error's box too: a silent run shows none.
  SetSilentMode(args.silent);
  SetAutomaticMode(args.automatic);
  if (result != CommandLineResult::kOk) BadCommandLine(UsageErrorText(result, offending, ProgramFileName()).w_str());
  if (!args.install_folder.empty()) args.install_folder_full = FullPathName(args.install_folder);
}

}  // namespace

void RunEntry(HINSTANCE) {
  RunState& run = TheRun();
  run.title = String(u"Bastionix Setup");
  run.title_narrow = String("Bastionix Setup");
  InstallCrashHandler(run.title_narrow.c_str(), &WriteCrashToRecords);
  OleInitialize(nullptr);
  EnablePrivilege(L"SeTakeOwnershipPrivilege");  // taking ownership may be needed later; failure is no obstacle
  RegisterFatalDisplay();
  LoadWindowIcons();
  ReadCommandLine();

  const CommandLine& args = run.args;
  if (args.uninstall) {
    if (args.uninstall_name.empty()) BadCommandLine(u"Product name required");
    UninstallRequest request;
    request.product_name = args.uninstall_name;
    request.automatic = args.automatic;
    request.silent = args.silent;
    request.run_after = args.run_after;
    request.deployment_codes = &TheExitHooks().deployment_codes;
    // A fatal error from here on is a failed uninstall.
    TheExitHooks().fatal_outcome = RunOutcome::kUninstallFailed;
    const UninstallResult result = RunUninstallMode(request);
    if (result.outcome == UninstallOutcome::kSucceeded) {
      SendNotification(result.notify_url, result.version);
      if (result.self_removal) StartSelfRemoval(result.last_folders);
    }
    CommonExit(OutcomeOf(result));
  }
  if (!RunInstallMode()) FatalMessageW(kNoInstallationData);
  CommonExit(RunOutcome::kFailed);
}
