// The uninstall run: the product found and confirmed, then the removal as a
// table of stages in their order, then the end.
#include "actions/fonts.h"
#include "package/message_numbers.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/shared_files.h"
#include "records/uninstall_value_names.h"
#include "uninstall/self_removal.h"
#include "uninstall/undo_steps.h"
#include "uninstall/uninstall_stages_win.h"

namespace uninstall {
namespace {

// The %Variables% name the product's folders for as long as the run lasts.
class VariableFoldersScope {
 public:
  VariableFoldersScope(const ProductSettings* settings, const ProductFolders* folders) {
    SetVariableSettings(settings);
    SetVariableFolders(folders);
  }
  ~VariableFoldersScope() {
    SetVariableFolders(nullptr);
    SetVariableSettings(nullptr);
  }
  VariableFoldersScope(const VariableFoldersScope&) = delete;
  VariableFoldersScope& operator=(const VariableFoldersScope&) = delete;
};

void FirstUninstallBatch(Run& run) {
  RunUninstallBatch(run, uninstall_value::kUninstallBatch1, product_flag::kHideUninstallBatch1, run.shared_path);
}

bool HasAssociations(const Run& run) { return !run.lists.associations.IsEmpty(); }

void Associations(Run& run) {
  UndoAssociations(run.lists.associations, run.display_name, run.product_folder, run.view);
  Pause(run);
}

void RemoveFonts(Run& run) {
  const bool ask = run.product.settings.Flag(product_flag::kAskBeforeEachFont);
  const bool removed = RemoveProductFonts(run.product.languages, ReadValue(run.key, uninstall_value::kProductFonts), ask, run.guard);
  run.key.DeleteValue(uninstall_value::kProductFonts, 0);
  if (removed) BroadcastFontChange();
  Pause(run);
}

void TaskbarPins(Run& run) {
  UnpinFromTaskbar(run.lists.records);
  Pause(run);
}

bool HasMsiPackages(const Run& run) { return !run.lists.msi.IsEmpty(); }

void MsiPackages(Run& run) {
  RemoveMsiPackages(run.journal, run.lists.msi);
  Pause(run);
}

void RegistryEntries(Run& run) {
  UndoRegistryEntries(run.product.settings.RegistryEntries, run.view);
}

void FirewallExceptions(Run& run) { UndoFirewallExceptions(run.lists.firewall, run.product_folder); }

void DriverPackages(Run& run) { RemoveDriverPackages(run.lists.inf); }

void RestoreRedirection(Run& run) { run.redirection.Restore(); }

void CloseProgressPage(Run& run) {
  if (run.product.settings.Flag(product_flag::kProgressPage)) {
    Pause(run);
    run.windows.CloseProgress();
  }
}

constexpr int32_t kBarStays = -1;

// One stage of the removal. Its percentage and status show as it begins; a
// stage whose condition fails is passed over, its status with it. The pauses
// that let a person see a stage are the stage's own.
struct Stage {
  const char* name;
  int32_t percent;                  // kBarStays: the bar does not move
  int status;                       // a message number; 0 keeps the status shown
  bool (*applies)(const Run& run);  // null: always
  void (*run)(Run& run);            // null: the report is all there is
};

// The removal, in order. Nothing can be cancelled once it has begun.
constexpr Stage kStages[] = {
    {"removal values", kBarStays, 0, nullptr, ReadRemovalValues},
    {"product folders", kBarStays, 0, nullptr, GatherProductFolders},
    {"first uninstall batch", kBarStays, 0, nullptr, FirstUninstallBatch},
    {"first uninstall batch ran", 1, message_number::kRunningBatch, nullptr, nullptr},
    {"associations", kBarStays, 0, HasAssociations, Associations},
    {"fonts", 3, message_number::kRemovingFonts, nullptr, RemoveFonts},
    {"install log", 5, message_number::kRemovingLog, nullptr, DeleteInstallLog},
    {"shared files", kBarStays, 0, nullptr, ReleaseSharedFiles},
    {"taskbar pins", kBarStays, 0, nullptr, TaskbarPins},
    {"msi packages", kBarStays, message_number::kRemovingMsi, HasMsiPackages, MsiPackages},
    {"record pass", 10, 0, nullptr, RecordPass},  // 11 to 91 as the files go
    {"pending file operations", 92, 0, nullptr, CleanPendingFileOperations},
    {"conditional deletes", kBarStays, 0, nullptr, RunConditionalDeletes},
    {"folders", 93, 0, nullptr, RemoveFolders},
    {"data file rewrite", kBarStays, 0, nullptr, RewriteData},
    {"start menu folder", kBarStays, 0, nullptr, RemoveStartMenuFolder},
    {"product registry key", 95, message_number::kRemovingRegistry, nullptr, RemoveProductRegistryKey},
    {"registry entries", kBarStays, 0, nullptr, RegistryEntries},
    {"firewall exceptions", 96, 0, nullptr, FirewallExceptions},
    {"driver packages", 97, 0, nullptr, DriverPackages},
    {"product folder with contents", kBarStays, 0, nullptr, RemoveProductFolderWithContents},
    {"shared folder", 98, 0, nullptr, RemoveSharedFolder},
    {"unregistration", kBarStays, 0, nullptr, Unregister},
    {"product key close", kBarStays, 0, nullptr, CloseProductKey},
    {"shell notification", kBarStays, 0, nullptr, NotifyShell},
    {"redirection restore", 100, 0, nullptr, RestoreRedirection},
    {"progress page close", kBarStays, 0, nullptr, CloseProgressPage},
};

// The bar only moves forward, and the removal ends it full.
constexpr bool BarOnlyRises() {
  int32_t last = 0;
  for (const Stage& stage : kStages) {
    if (stage.percent == kBarStays) continue;
    if (stage.percent < last || stage.percent > 100) return false;
    last = stage.percent;
  }
  return last == 100;
}
static_assert(BarOnlyRises(), "a stage's percentage is below an earlier one's, or the removal does not end at 100");

void RunStage(Run& run, const Stage& stage) {
  if (stage.applies && !stage.applies(run)) return;
  if (stage.percent != kBarStays) {
    Report(run, stage.percent, stage.status);
  } else if (stage.status) {
    ShowStatus(run, MessageText(run.product.languages, stage.status));
  }
  if (stage.run) stage.run(run);
}

}  // namespace

// The questions belong to the progress page, and it has the focus back
// after each unregistration.
void ReleaseSharedFiles(Run& run) {
  SharedFilePassOptions shared_options;
  shared_options.automatic = run.automatic;
  shared_options.ask_before_deleting = run.product.settings.Flag(product_flag::kAskBeforeDeletingShared);
  shared_options.delete_question = MessageText(run.product.languages, message_number::kDeleteSharedQuestion);
  shared_options.delete_title = MessageText(run.product.languages, message_number::kDeleteSharedTitle);
  shared_options.progress_window = run.windows.progress_window();
  shared_options.journal = &run.journal;
  shared_options.guard = &run.guard;
  shared_options.left_behind = MessageText(run.product.languages, message_number::kFileNotDeleted);
  RunSharedFilePass(run.key, shared_options);
}

}  // namespace uninstall

UninstallResult RunUninstallMode(const UninstallRequest& request) {
  using namespace uninstall;
  Run run;
  run.request = &request;
  run.automatic = request.automatic || request.silent;
  run.name = request.product_name;
  ClearFailures(run.journal);
  if (!FindProduct(run)) return run.result;
  const VariableFoldersScope variables(&run.product.settings, &run.variable_folders);
  run.redirection.TurnOff(run.sixty_four_bit);
  run.windows.OpenBackground(run.product);
  if (!LoadData(run)) return run.result;
  CloseProgramsForUninstall(run.product, kCloseBeforeConfirmation);
  if (!Confirmed(run) ||
      !CloseProgramsForUninstall(run.product, kCloseAfterConfirmation)) {
    run.result.outcome = UninstallOutcome::kDeclined;
    return run.result;
  }
  run.progress = run.windows.OpenProgress(run.product, run.automatic);
  PrepareSelfRemoval();
  for (const Stage& stage : kStages) RunStage(run, stage);
  if (HasFailed(run.journal)) {
    AbandonSelfRemoval();
    EndWithFailure(run.product.languages, run.journal);
    run.result.outcome = UninstallOutcome::kFailed;
    return run.result;
  }
  LetGoOfUninstaller(run);
  EndWithSuccess(run);
  run.result.outcome = UninstallOutcome::kSucceeded;
  return run.result;
}
