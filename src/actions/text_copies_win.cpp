#include <windows.h>

#include "actions/file_writer.h"
#include "actions/uninstall_registration.h"
#include "core/file_ops.h"
#include "core/path_rules.h"
#include "package/settings_state.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_records.h"

namespace {

// The copies are made after the firewall step, which leaves the bar here.
constexpr int32_t kTextCopyProgress = 98;

bool WriteCopy(const String& path, const String& text, const Progress& progress) {
  if (!Settings().Flag(product_flag::kHideFileNames)) ReportProgress(progress, kTextCopyProgress, path);
  const String bytes = TextCopyBytes(text);
  const bool existed = GetAttributes(path.w_str()) != kNoAttributes;
  bool pending = false;
  if (!WritePackagedFile(path, bytes.c_str(), bytes.length(), FileDate{}, -1, existed, &pending) && !pending) {
    return false;  // the writer reported it
  }
  AddUninstallRecordW(path, kRecordFile);
  return true;
}

// Each non-empty text of the list, named after `stem`.
bool CopyTexts(const Array<String>& texts, const char16_t* stem, const String& folder, const Progress& progress) {
  bool all = true;
  int32_t number = 0;
  for (const String& text : texts) {
    if (text.empty()) continue;
    all = WriteCopy(JoinPath(folder, TextCopyName(stem, texts.Count(), ++number).w_str()), text, progress) && all;
  }
  return all;
}

}  // namespace

bool CopyReadmeAndLicenceTexts(const String& folder, const Progress& progress) {
  const ProductSettings& settings = Settings();
  bool all = true;
  if (settings.Flag(product_flag::kCopyReadmeTexts)) all = CopyTexts(settings.ReadmeTexts, u"readme", folder, progress);
  if (settings.Flag(product_flag::kCopyLicenceTexts)) {
    all = CopyTexts(settings.LicenseTexts, u"eula", folder, progress) && all;
  }
  return all;
}
