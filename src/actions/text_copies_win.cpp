#include <windows.h>

#include "actions/file_writer.h"
#include "actions/uninstall_registration.h"
#include "core/file_ops.h"
#include "core/path_rules.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_records.h"

namespace {

// The copies are made after the firewall step, which leaves the bar here.
constexpr int32_t kTextCopyProgress = 98;

struct CopyRun {
  const ProductSettings& settings;
  FileWriteRules rules;
  const Progress& progress;
};

bool WriteCopy(const CopyRun& run, const String& path, const String& text) {
  const Progress& progress = run.progress;
  if (!run.settings.Flag(product_flag::kHideFileNames)) ReportProgress(progress, kTextCopyProgress, path);
  const String bytes = TextCopyBytes(text);
  const bool existed = GetAttributes(path.w_str()) != kNoAttributes;
  bool pending = false;
  if (!WritePackagedFile(run.rules, path, bytes.c_str(), bytes.length(), FileDate{}, -1, existed, &pending) && !pending) {
    return false;  // the writer reported it
  }
  AddUninstallRecordW(run.rules.journal->records, path, kRecordFile);
  return true;
}

// Each non-empty text of the list, named after `stem`.
bool CopyTexts(const CopyRun& run, const Array<String>& texts, const char16_t* stem, const String& folder) {
  bool all = true;
  int32_t number = 0;
  for (const String& text : texts) {
    if (text.empty()) continue;
    all = WriteCopy(run, JoinPath(folder, TextCopyName(stem, texts.Count(), ++number).w_str()), text) && all;
  }
  return all;
}

}  // namespace

bool CopyReadmeAndLicenceTexts(const RunProduct& product, Journal& journal, const String& folder, const Progress& progress) {
  const ProductSettings& settings = product.settings;
  const CopyRun run{settings, FileWriteRulesOf(product, journal), progress};
  bool all = true;
  if (settings.Flag(product_flag::kCopyReadmeTexts)) all = CopyTexts(run, settings.ReadmeTexts, u"readme", folder);
  if (settings.Flag(product_flag::kCopyLicenceTexts)) {
    all = CopyTexts(run, settings.LicenseTexts, u"eula", folder) && all;
  }
  return all;
}
