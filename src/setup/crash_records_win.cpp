#include "setup/crash_records_win.h"

#include "package/run_product.h"
#include "core/temp_files.h"
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
  const InstallState& install = TheInstall();
  InstallLogFinish finish = InstallLogFinishOf(g_product ? *g_product : NoRunProduct(), *g_journal, install);
  // Before the uninstall data folder is known the crash still gets its log:
  // "Install.log" in the temporary folder (%TEMP%), where a run appends its
  // part under a header that names the product.
  if (finish.uninstall_folder.empty()) finish.uninstall_folder = TemporaryFolder();
  FinishInstallLog(finish);
}
