// The background window: one borderless window over the work area behind the
// wizard pages, painted with the product's colours, bitmap, title and
// copyright line. It owns the pages and carries the taskbar button.
#pragma once

#include <windows.h>

// Creates and shows the window from the product settings; `minimized` for
// /min. Null when it could not be made (the run goes on without).
HWND CreateBackgroundWindow(HWND owner, bool minimized);
