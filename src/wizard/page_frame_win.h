// The frame every wizard page shares: its template by name, the caption, the
// side picture, banner or full picture of its style, the button images, the
// texts painted over pictures, and Next and Cancel ending the page. Each page
// adds its own handling through a few calls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "core/string.h"
#include "package/run_product.h"
#include "wizard/page_rules.h"

// Control ids of the page templates.
namespace page_control {
constexpr int kSeparator = 66;
constexpr int kNext = 1001;
constexpr int kCancel = 1003;
constexpr int kTextView = 1005;
constexpr int kProgressBar = 1007;
constexpr int kText = 1009;
constexpr int kStatus = 1011;
constexpr int kBrowse = 1013;
constexpr int kFolderEdit = 1015;
constexpr int kLanguageList = 1017;
constexpr int kPasswordEdit = 1019;
constexpr int kSidePicture = 1021;
constexpr int kBanner = 1032;
constexpr int kBannerWindowTitle = 1034;
constexpr int kBannerPageTitle = 1035;
constexpr int kRequiredSpace = 1036;
constexpr int kFreeSpace = 1037;
constexpr int kPasswordLabel = 1039;
constexpr int kLink = 1040;
constexpr int kFullPicture = 1042;
}  // namespace page_control

struct PageHandlers {
  // After the frame is in place: the page sets its texts and inputs.
  void (*init)(HWND page, void* context) = nullptr;
  // A WM_COMMAND; true when the page took it. Next and Cancel not taken end
  // the page with their id.
  bool (*command)(HWND page, int id, int code, void* context) = nullptr;
  // Any other message; true, with *result, when the page took it.
  bool (*message)(HWND page, UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result,
                  void* context) = nullptr;
};

struct PageFrame {
  const RunProduct* product = nullptr;  // the run's settings and texts; never null
  String template_name;                 // UTF-16
  PageLook look = PageLook::kPlain;
  bool wizard_page = true;              // false: a plain box (password, must-uninstall) without header
  int32_t title_message = 0;            // the page title; the caption of a plain box
  PageHandlers handlers;
  void* context = nullptr;
};

// Runs the page as a modal dialog; returns 1001 or 1003 (also when the page
// could not be made or was closed).
int32_t RunPage(HWND owner, const PageFrame& frame);
// Opens the page modeless; `frame` must outlive it. Null when it could not
// be made.
HWND OpenModelessPage(HWND owner, const PageFrame& frame);

// The product of the run that opened the page (an empty one for a window
// that is no page), and message `message` of its current language.
const RunProduct& PageProduct(HWND page);
String PageMessageText(HWND page, int32_t message);

// Sets the caption and the banner texts from the page title again (after the
// language changed).
void RetitlePage(HWND page);
// Text setters that keep pictures beneath transparent texts intact and give
// buttons their image blank.
void SetPageText(HWND page, int id, const String& text);
void SetPageMessage(HWND page, int id, int32_t message);
void SetButtonText(HWND page, int id, const String& text);
void SetButtonMessage(HWND page, int id, int32_t message);
// Makes text `id` tall enough for its whole text, moving what lies below it
// down and growing the page by as much (boxes of a fixed size whose texts
// the product may lengthen).
void GrowToFitText(HWND page, int id);
// Keeps control `id` left to right on a mirrored page: a path reads the
// same in every language.
void KeepLeftToRight(HWND page, int id);
// A control's text (UTF-16).
String PageItemText(HWND page, int id);
// The module whose resources the pages come from (setup.exe itself).
HMODULE PageModule();
