// The background window behind the wizard, owned by the install sequence: it
// owns every page and message box of the run while it exists, so they stay
// in front of it and share its taskbar button.
#pragma once

#include <windows.h>

// Creates and shows the background window unless the product asks for none
// (ProductFlags bit 29, which silent mode sets); the common exit destroys it.
void CreateWizardBackground();

// The wizard's caption from the product (message 0 unless the product says
// otherwise) and the window repainted, e.g. after the language changed.
void RefreshWizardBackground();

// The owner of pages and boxes: the background window, or null without one.
HWND WizardOwner();
