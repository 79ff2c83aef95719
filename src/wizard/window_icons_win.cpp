#include "wizard/window_icons_win.h"

#include "resources/resource_ids.h"

namespace {

// Icons loaded from a file are the process's until it ends, like the
// program's own shared ones: windows keep using the handles they were given.
struct WindowIcons {
  HICON large = nullptr;
  HICON small = nullptr;
};

WindowIcons& TheWindowIcons() {
  static WindowIcons icons;
  return icons;
}

HICON LoadSized(HINSTANCE module, const wchar_t* name, int metric, UINT load_flags) {
  const int size = GetSystemMetrics(metric);
  return static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, load_flags));
}

}  // namespace

void LoadWindowIcons() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WindowIcons& icons = TheWindowIcons();
  icons.large = LoadSized(module, MAKEINTRESOURCEW(IDI_APP), SM_CXICON, LR_SHARED);
  icons.small = LoadSized(module, MAKEINTRESOURCEW(IDI_APP), SM_CXSMICON, LR_SHARED);
}

bool UseWindowIconsFromFile(const String& path) {
  const wchar_t* name = reinterpret_cast<const wchar_t*>(path.w_str());
  HICON large = LoadSized(nullptr, name, SM_CXICON, LR_LOADFROMFILE);
  HICON small = LoadSized(nullptr, name, SM_CXSMICON, LR_LOADFROMFILE);
  if (!large || !small) {
    if (large) DestroyIcon(large);
    if (small) DestroyIcon(small);
    return false;
  }
  WindowIcons& icons = TheWindowIcons();
  icons.large = large;
  icons.small = small;
  return true;
}

void PutWindowIcons(HWND window) {
  WindowIcons& icons = TheWindowIcons();
  if (!icons.large && !icons.small) LoadWindowIcons();
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.large));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small));
}
