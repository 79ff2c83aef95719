#include "uninstall/uninstall_run_win.h"

#include "actions/batch_runner.h"
#include "package/message_format.h"
#include "uninstall/uninstall_batches.h"

namespace uninstall {

String ReadValue(RegistryKey& key, const char16_t* name) {
  String text;
  if (!key.ReadText(name, &text, 0)) text.Clear();
  return text;
}

void Pause(const Run& run) { run.windows.Pause(); }

void Report(Run& run, int32_t percent, int status_message) {
  ReportProgress(run.progress, percent, status_message ? MessageText(run.product.languages, status_message) : String());
}

void ShowStatus(Run& run, const String& text) {
  if (run.progress.status && !text.empty()) run.progress.status(run.progress.context, text);
}

void RunUninstallBatch(Run& run, const char16_t* value, int hide_flag, const String& shared_path) {
  BatchRequest batch;
  batch.commands = ReadValue(run.key, value);
  if (batch.commands.empty()) return;
  UninstallBatchFacts facts;
  facts.install_dir = run.product_folder;
  facts.uninstall_dir = run.uninstall_folder;
  facts.shared_dir = shared_path;
  facts.product_name = run.display_name;
  batch.variable_lines = UninstallBatchVariables(facts);
  batch.working_folder = run.product_folder;
  batch.hide_console = run.product.settings.Flag(hide_flag);
  batch.silent = run.request->silent;
  batch.journal = &run.journal;
  RunBatch(batch);
  run.key.DeleteValue(value, 0);
}

}  // namespace uninstall
