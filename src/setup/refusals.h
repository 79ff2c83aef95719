// The ways the install sequence ends before installing. Each leaves through
// the common exit with code 1. Kept apart from the sequence so that the
// checks and the folder choice can refuse without calling back into it.
#pragma once

#include "core/string.h"
#include "package/languages.h"

// Shows message n as an error box (the error-box rules decide whether it
// appears) and exits.
[[noreturn]] void RefuseWithMessage(const LanguageTable& languages, int n);
// The same with a text of its own.
[[noreturn]] void RefuseWithText(const String& text);

// The user cancelled: message 98 titled 111 with the exclamation icon (no box
// in an automatic run), then the exit. The one cancel exit of the run; it is
// reached from the pages' callbacks too, so it takes its texts from the
// run's product that the sequence named once (SetCancelTexts).
[[noreturn]] void CancelExit();
void SetCancelTexts(const LanguageTable* languages);
