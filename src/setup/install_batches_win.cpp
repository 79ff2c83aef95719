#include <windows.h>

#include "actions/batch_runner.h"
#include "actions/file_deletion_run.h"
#include "core/codepage.h"
#include "package/variables.h"
#include "records/restart_queue.h"
#include "setup/install_batches_win.h"
#include "setup/install_state.h"
#include "setup/run_state.h"

namespace {

struct InstallBatch {
  const String* commands;
  int addition;  // index of the /bN: addition, -1 for none
  int hide_flag;  // -1: only a silent run hides it
  int named_flag2;
  const char16_t* name;
};

void Run(Journal& journal, const ProductSettings& settings, const InstallBatch& batch) {
  const CommandLine& args = TheRun().args;
  BatchRequest request;
  request.commands = *batch.commands;
  if (batch.addition >= 0 && !args.batch_additions[batch.addition].empty()) {
    if (!request.commands.empty() && !request.commands.EndsWithW(u"\r\n")) request.commands.AppendW(u"\r\n");
    request.commands.Append(AnsiToUtf16(args.batch_additions[batch.addition]));
  }
  if (request.commands.empty()) return;
  request.variable_lines = BatchVariableLines();
  request.working_folder = TheInstall().install_folder_full;
  request.hide_console = batch.hide_flag >= 0 && settings.Flag(batch.hide_flag);
  request.silent = args.silent;
  if (batch.named_flag2 >= 0 && settings.Flag2(batch.named_flag2)) request.title = String(batch.name);
  request.journal = &journal;
  RunBatch(request);
}

}  // namespace

void RunPreInstallBatches(Journal& journal, const ProductSettings& s) {
  const InstallState& state = TheInstall();
  Run(journal, s, {&s.PreInstallBatch, 0, product_flag::kPreInstallBatch, product_flag2::kPreInstallBatchNamed,
       u"Pre-Installation Batch"});
  if (state.upgrade) {
    Run(journal, s, {&s.UpgradeBatch, -1, product_flag::kUpgradeBatch, product_flag2::kUpgradeBatchNamed, u"Upgrade Batch"});
  } else if (state.existing && (state.same_version || !s.Flag2(product_flag2::kReinstallBatchSameVersion))) {
    Run(journal, s, {&s.ReinstallBatch, -1, product_flag::kReinstallBatch, product_flag2::kReinstallBatchNamed,
         u"Reinstall Batch"});
  }
}

void RunPostInstallBatch(Journal& journal, const ProductSettings& settings) {
  Run(journal, settings, {&settings.PostInstallBatch, 1, product_flag::kHidePostInstallBatch, product_flag2::kPostInstallBatchNamed, u"Post-Installation Batch"});
}

void RunExitBatch(Journal& journal, const ProductSettings& settings) { Run(journal, settings, {&settings.ExitBatch, 2, -1, -1, u"Installation-Exit Batch"}); }

void RunInstallFileDeletions(Journal& journal, const ProductSettings& settings) {
  FileDeletionRun run;
  run.journal = &journal;
  run.product_folder = TheInstall().install_folder_full;
  // The installer takes nothing off the list: it works on a copy.
  Vector<FileDeletion> deletions = settings.FileDeletions;
  RunFileDeletions(&deletions, &run);
  if (run.restart_required) journal.restart_needed = true;
}
