#include <windows.h>

#include "actions/path_list.h"
#include "actions/system_path.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "records/log_writers.h"

namespace {

constexpr char16_t kEnvironmentKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr uint32_t kBroadcastWaitMs = 5000;

void BroadcastEnvironmentChange() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                      SMTO_ABORTIFHUNG, kBroadcastWaitMs, &ignored);
}

bool FolderExists(const String& folder) {
  const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(folder.w_str()));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

String ChangeSystemPath(bool add, const String& folder) {
  RegistryKey key;
  if (key.Open(RegRoot::kLocalMachine, kEnvironmentKey, kRegNoStack | kRegOpenOnly, kRegWriteAccess,
               RegView::kDefault) == RegistryKey::kFailed) {
    return LastErrorTextW();
  }
  RegValue value;
  if (!key.ReadValue(u"Path", &value, 0) || (value.type != kRegSz && value.type != kRegExpandSz) ||
      value.data.empty()) {
    return String();
  }
  String& path = value.data;
  if (!(add ? AddPathEntry(path, folder.w_str()) : RemovePathEntry(path, folder.w_str()))) return String();
  // The type stays as it was (REG_EXPAND_SZ on every system), so that entries
  // such as %SystemRoot%\system32 keep working.
  if (!key.WriteValue(u"Path", value.type, path.c_str(), RegWriteSize(value.type, path.length()), 0)) {
    return LastErrorTextW();
  }
  BroadcastEnvironmentChange();
  return String();
}

void AddInstallFolderToPath(Journal& journal, const String& install_folder, const String& subfolder) {
  const String folder = PathAdditionFolder(install_folder, subfolder);
  if (!FolderExists(folder)) {
    LogFormatW(journal, u"Couldn't add \"%s\" to the PATH because it does not exist.\r\n", folder.w_str());
    return;
  }
  const String failure = ChangeSystemPath(true, folder);
  if (!failure.empty()) LogFormatW(journal, u"Failed to add \"%s\" to the PATH: %s\r\n", folder.w_str(), failure.w_str());
}
