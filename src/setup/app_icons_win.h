// The application's large and small icons, loaded once at start.
#pragma once

#include <windows.h>

struct AppIcons {
  HICON large = nullptr;
  HICON small = nullptr;
};

AppIcons& TheAppIcons();
void LoadAppIcons(HINSTANCE instance);
