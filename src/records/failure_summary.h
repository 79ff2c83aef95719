// The failure summary: the 8-bit text (ANSI code page) in which the install
// actions and the uninstaller collect what went wrong, for the final report
// and the end of "Install.log". Any text in it makes the run a failure; the
// sequence never stops for it. Entries end in "\r\n\r\n" by convention, so
// that a blank line separates them.
#pragma once

#include <cstdint>

#include "core/string.h"

struct FailureSummary {
  String text;        // ANSI code page
  int32_t count = 0;  // entries added
};

struct Journal;

// Each call adds one entry. Wide texts are converted to the ANSI code page
// with '?' for what it cannot hold. Empty texts are ignored.
void AddFailure(Journal& journal, const char* text);
void AddFailure(Journal& journal, const String& text);
void AddFailureW(Journal& journal, const char16_t* text);
void AddFailureFormat(Journal& journal, const char* format, ...);
void AddFailureFormatW(Journal& journal, const char16_t* format, ...);

// Whether anything was recorded: the run failed.
bool HasFailed(const Journal& journal);
// Empties the summary (the uninstaller starts a run with it).
void ClearFailures(Journal& journal);
