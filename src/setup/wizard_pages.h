// The wizard pages as the install sequence sees them: one call per page, each
// answering how the user left it. The wizard supplies the real pages; until a
// page exists, the sequence ends with a clear message when it needs one.
#pragma once

#include "core/string.h"

enum class PageResult {
  kNext = 1,
  kCancel = 2,
  kAccept = 1001,  // the must-uninstall and support-offer pages' accept button
  kDecline = 1003,
};

struct WizardPages {
  PageResult (*language)() = nullptr;
  PageResult (*greeting)() = nullptr;
  PageResult (*password)() = nullptr;
  PageResult (*licence)(const String& text) = nullptr;
  PageResult (*readme)(const String& text) = nullptr;
  PageResult (*folder)(String& folder) = nullptr;
  PageResult (*start_menu)(String& folder) = nullptr;
  PageResult (*must_uninstall)() = nullptr;
  PageResult (*finish)() = nullptr;
};

WizardPages& TheWizardPages();

// Shows a page through the table. A page the wizard does not supply yet ends
// the run with a clear message: only automatic runs get past it.
PageResult ShowPage(PageResult (*page)());
PageResult ShowFolderPage(String& folder);
