#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "actions/action_guard.h"
#include "actions/shortcut.h"
#include "actions/shortcut_rules.h"
#include "core/com_ptr_win.h"
#include "core/file_ops.h"
#include "core/path_rules.h"
#include "core/wide_win.h"

namespace {

// Keeps an HRESULT as the last error, so that callers can show its text.
bool Succeeded(HRESULT result) {
  if (SUCCEEDED(result)) return true;
  SetLastError(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result));
  return false;
}

bool DescribeLink(IShellLinkW* link, const ShortcutLink& request) {
  if (!Succeeded(link->SetPath(Wide(request.target)))) return false;
  if (!Succeeded(link->SetIconLocation(Wide(request.icon.empty() ? request.target : request.icon), 0))) return false;
  if (!request.arguments.empty() && !Succeeded(link->SetArguments(Wide(request.arguments)))) return false;
  const String folder = LinkWorkingFolder(request.working_folder);
  return folder.empty() || Succeeded(link->SetWorkingDirectory(Wide(folder)));
}

bool SaveLink(const ShortcutLink& request) {
  ComPtr<IShellLinkW> link;
  if (!Succeeded(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.ReceiveVoid()))) {
    return false;
  }
  if (!DescribeLink(link.get(), request)) return false;
  ComPtr<IPersistFile> file;
  if (!Succeeded(link.QueryInterface(IID_IPersistFile, &file))) return false;
  const String name = LinkFileName(request.lnk);
  const String folder = WithoutLastComponents(name, 1);
  if (!folder.empty()) CreateFolder(folder.w_str());
  const HRESULT saved = file->Save(Wide(name), TRUE);
  if (saved == S_OK) return true;
  Succeeded(saved == S_FALSE ? E_FAIL : saved);
  return false;
}

}  // namespace

bool CreateShortcut(const ShortcutLink& link) {
  bool saved = false;
  auto work = [&]() { saved = SaveLink(link); };
  if (!RunActionGuarded(work)) {
    SetLastError(static_cast<DWORD>(E_UNEXPECTED));
    return false;
  }
  return saved;
}
