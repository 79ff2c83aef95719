// The wizard pages as the install sequence and the uninstaller use them. Each
// page is a modal dialog owned by `owner` (the background window, or null when
// there is none), takes its inputs (the run's product among them: its
// settings and language table), and returns how the user left it; every
// text comes from that language table. The install sequence
// decides when a page is shown; no page is ever shown in a silent run.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/progress.h"
#include "core/string.h"
#include "package/run_product.h"

enum class PageResult : int32_t {
  kAccept = 1001,  // Next, OK, accept
  kCancel = 1003,  // Cancel, decline, or the window closed
};

// The language list; each selection re-texts the page in that language at
// once. `*chosen` is the language selected last (also when cancelled): the
// caller makes it current in its table.
PageResult ShowLanguagePage(HWND owner, const RunProduct& product, int32_t* chosen);

// The greeting (a plain OK/Cancel box in style 0). A click on its link
// opens the address and calls `link_clicked`, where the caller hands the
// link's notification to the notification worker.
PageResult ShowGreetingPage(HWND owner, const RunProduct& product, void (*link_clicked)() = nullptr);

// Accepts only when the text typed equals `password` (UTF-16) exactly.
PageResult ShowPasswordPage(HWND owner, const RunProduct& product, const String& password);

enum class TextPageKind { kLicence, kReadme };
// One licence or readme text (RTF or plain, UTF-16).
PageResult ShowTextPage(HWND owner, const RunProduct& product, TextPageKind kind, const String& text);

// The install-folder page: `folder` (UTF-16) is shown and, on Next, replaced
// by what the user typed. The folder checks belong to the caller's loop.
struct FolderPageInputs {
  int64_t required_space = 0;      // bytes, shown beside the drive's free space
  bool start_menu_follows = false; // the Next button's caption
};
PageResult ShowFolderPage(HWND owner, const RunProduct& product, const FolderPageInputs& inputs, String& folder);

// The start-menu page: `folder` (UTF-16) in, the user's text out on Next.
PageResult ShowStartMenuPage(HWND owner, const RunProduct& product, String& folder);

// The must-uninstall page: accept runs the old uninstaller.
PageResult ShowMustUninstallPage(HWND owner, const RunProduct& product);

// The finish page's choices, in the order they are carried out by the caller.
struct FinishChoices {
  bool open_document = false;    // 1023
  bool run_program = false;      // 1025
  bool view_log = false;         // 1027
  bool second_document = false;  // 1029
};
// Closing the window clears every choice. The log option is offered when
// `view_log_offered` (the product offers it and keeps the log).
FinishChoices ShowFinishPage(HWND owner, const RunProduct& product, bool view_log_offered);

// The modeless progress page. Open it once; its Progress record is what the
// file phase, the install actions and the uninstaller report through. Cancel
// asks the user and, on yes, calls `cancel_exit` (which does not return).
struct ProgressPageInputs {
  const RunProduct* product = nullptr;  // never null
  // The background window's title position companion (ProductFlags bit 40,
  // or the work area unknown): the page keeps its own place.
  bool title_position_companion = false;
  bool uninstalling = false;        // the uninstall texts, Cancel disabled
  bool automatic = false;           // never wait for the minimum status time
  void (*cancel_exit)() = nullptr;  // the run's cancel exit
};
// Opens the page; false when it could not be made (the run goes on without).
bool OpenProgressPage(HWND owner, const ProgressPageInputs& inputs);
void CloseProgressPage();
// The open page's window; null when none is open.
HWND ProgressPageWindow();
// Reports to the open page, or nowhere when none is open.
Progress ProgressPageReporter();
