// The background window behind the wizard, owned by the install sequence: it
// owns every page and message box of the run while it exists, so they stay
// in front of it and share its taskbar button.
#pragma once

#include <windows.h>

#include "package/run_product.h"
#include "wizard/background_window_win.h"

// Creates and shows the background window unless the product asks for none
// (ProductFlags bit 29, which silent mode sets); the common exit destroys it.
// `state` is the run's: the window paints from it and notes its facts there.
void CreateWizardBackground(BackgroundWindowState& state);

// The wizard's caption from the product (message 0 of the current language
// unless the product says otherwise) and the window repainted, e.g. after
// the language changed.
void RefreshWizardBackground(const RunProduct& product);

// The owner of pages and boxes: the background window, or null without one.
HWND WizardOwner();
