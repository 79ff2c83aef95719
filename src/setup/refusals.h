// The ways the install sequence ends before installing. Each leaves through
// the common exit. Kept apart from the sequence so that the
// checks and the folder choice can refuse without calling back into it.
#pragma once

#include "core/string.h"
#include "package/languages.h"

#include "setup/exit.h"

// Shows message n as an error box (the error-box rules decide whether it
// appears) and exits, the exit code telling `outcome`.
[[noreturn]] void RefuseWithMessage(const LanguageTable& languages, int n, RunOutcome outcome = RunOutcome::kFailed);
// The same with a text of its own.
[[noreturn]] void RefuseWithText(const String& text, RunOutcome outcome = RunOutcome::kFailed);

// The user cancelled: message 98 titled 111 with the exclamation icon (no box
// in an automatic run), then the exit. The one cancel exit of the run; it is
// reached from the pages' callbacks too, so it takes its texts from the
// run's product that the sequence named once (SetCancelTexts).
[[noreturn]] void CancelExit();
void SetCancelTexts(const LanguageTable* languages);
