#include "wizard/folder_chooser_win.h"

#include <shlobj.h>

namespace {

// Puts the chooser on the folder already typed.
int CALLBACK SelectStart(HWND chooser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

struct PidlOwner {
  LPITEMIDLIST pidl = nullptr;
  ~PidlOwner() { CoTaskMemFree(pidl); }
};

}  // namespace

bool ChooseFolder(HWND owner, const String& title, const String& current, int root, String& chosen) {
  PidlOwner root_pidl;
  if (root >= 0) SHGetSpecialFolderLocation(owner, root, &root_pidl.pidl);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = root_pidl.pidl;
  info.lpszTitle = reinterpret_cast<const wchar_t*>(title.w_str());
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = SelectStart;
  info.lParam = current.empty() ? 0 : reinterpret_cast<LPARAM>(current.w_str());
  PidlOwner result;
  result.pidl = SHBrowseForFolderW(&info);
  if (!result.pidl) return false;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(result.pidl, path)) return false;
  chosen.AssignW(reinterpret_cast<const char16_t*>(path));
  return true;
}
