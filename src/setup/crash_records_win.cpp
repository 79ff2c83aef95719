#include "setup/crash_records_win.h"

#include "package/run_product.h"
#include "records/failure_summary.h"
#include "records/install_log.h"
#include "setup/install_phases.h"
#include "setup/install_state.h"

namespace {

const RunProduct* g_product = nullptr;
Journal* g_journal = nullptr;

}  // namespace

void SetCrashRecordsRun(const RunProduct* product, Journal* journal) {
  g_product = product;
  g_journal = journal;
}

void WriteCrashToRecords(const String& report) {
  if (g_journal == nullptr) return;  // no run yet: nothing of it to record
  FailureSummary& summary = g_journal->failures;
  summary.text.Append("\r\n\r\nINSTALLER CRASHED!\r\n");
  summary.text.Append(report);
  ++summary.count;
  // Before the install folder is known there is no log to write yet.
  const InstallState& install = TheInstall();
  if (!install.uninstall_folder.empty()) {
    FinishInstallLog(InstallLogFinishOf(g_product ? *g_product : NoRunProduct(), *g_journal, install));
  }
}
