#include "setup/app_icons_win.h"

#include "resources/resource_ids.h"

AppIcons& TheAppIcons() {
  static AppIcons icons;
  return icons;
}

void LoadAppIcons(HINSTANCE instance) {
  AppIcons& icons = TheAppIcons();
  const auto load = [instance](int width_metric, int height_metric) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                         GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), 0));
  };
  icons.large = load(SM_CXICON, SM_CYICON);
  icons.small = load(SM_CXSMICON, SM_CYSMICON);
}
