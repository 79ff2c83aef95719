// The message boxes of the installer and the uninstaller, with the run's
// quiet-mode rules in one place: a silent run shows none; an automatic run
// asks no question (the caller's automatic answer holds) and shows no notice
// or warning, and shows an error box only when the package asks for errors in
// that mode (ProductFlags bit 35). The modes are the core library's
// (core/silent_mode.h), set by the entry. Every box goes through
// ShowMessage (core/show_message_win.h), which keeps the last error.
#pragma once

#include "core/string.h"
#include "package/run_product.h"

// What the boxes take from the product: the one process-wide message-box
// configuration. Fatal errors reach the display from every layer (and from
// any thread), so the run's owner sets it once it has read its product, and
// again when the language changes; until then the built-in texts stand.
struct MessageBoxRules {
  bool error_boxes_when_automatic = false;  // ProductFlags bit 35
  String error_title;                       // message 21; empty: "Error"
  String corrupt_package;                   // message 13; empty: the built-in text
};
MessageBoxRules MessageBoxRulesOf(const RunProduct& product);
void SetMessageBoxRules(const MessageBoxRules& rules);
const MessageBoxRules& TheMessageBoxRules();

// The title of every error box: message 21 of the language table, or "Error"
// while that message is empty or not yet loaded.
String ErrorTitle();

// Platform (message_box_win.cpp). Texts are UTF-16; an empty text shows
// nothing.

// A non-fatal error (error icon), titled ErrorTitle().
void ShowErrorBox(const String& text);
// The fatal-error display: an error box unless the run is silent.
void ShowFatalErrorBox(const String& text);
// A yes/no question; `automatic_answer` in an automatic or silent run.
bool AskYesNo(const String& text, const String& title, bool automatic_answer);
// A notice (information icon).
void ShowNotice(const String& text, const String& title);
// A warning (exclamation icon), e.g. that the installation was cancelled.
void ShowWarning(const String& text, const String& title);
