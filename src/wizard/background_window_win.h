// The background window: one borderless window over the work area behind the
// wizard pages, painted with the product's colours, bitmap, title and
// copyright line. It owns the pages and carries the taskbar button.
#pragma once

#include <windows.h>

#include "package/settings.h"

// What the window paints from, and what it finds out about the system on
// the way; the caller owns it (it is the run's state) for as long as the
// window lives. The facts start as the settings say.
struct BackgroundWindowState {
  const ProductSettings* settings = nullptr;  // never null
  // Painted in the top colour alone: the product asks for it, or the
  // system has no gradient service (found when first painted).
  bool mono_colour = false;
  // Maximised over the whole screen, so the progress page keeps its own
  // place: ProductFlags bit 40, or the work area could not be read.
  bool title_position_companion = false;
};
BackgroundWindowState BackgroundWindowStateOf(const ProductSettings& settings);

// Creates and shows the window from `state`; `minimized` for /min. Null when
// it could not be made (the run goes on without).
HWND CreateBackgroundWindow(HWND owner, bool minimized, BackgroundWindowState& state);
