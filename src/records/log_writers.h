// The log writers: the one set through which every install action writes to
// the working log. Everything arrives there as UTF-8.
//
// Lines announce an item and complete it on the same line:
//   LogItem(journal, u"Registering COM File \"", path);   // ...File "c:\x.dll"...
//   LogResult(journal, ok);                                // OK / FAILED
#pragma once

#include <cstdint>

#include "core/string.h"

struct Journal;

// Narrow text, taken as Windows-1252.
void LogText(Journal& journal, const char* text);
void LogText(Journal& journal, const String& narrow);
// printf-style narrow text (format.h's rules), then as narrow text.
void LogFormat(Journal& journal, const char* format, ...);
// Wide text; what UTF-8 cannot hold becomes '?'.
void LogTextW(Journal& journal, const char16_t* text);
void LogTextW(Journal& journal, const String& wide);
// printf-style wide text, then as wide text.
void LogFormatW(Journal& journal, const char16_t* format, ...);
// head + middle + tail, for lines built around a path.
void LogTextW(Journal& journal, const char16_t* head, const String& middle, const char16_t* tail);

// The announcement of an item in progress: `head` (which ends in the opening
// double quote), the item, and "\"...".
void LogItem(Journal& journal, const char16_t* head, const String& item);

// The completions of an announced item.
void LogOk(Journal& journal);                      // "OK\r\n"
void LogFailed(Journal& journal);                  // "FAILED\r\n"
void LogFailedBang(Journal& journal);              // "FAILED!\r\n"
void LogFailedCode(Journal& journal, int32_t code);  // "FAILED, code %d\r\n"
// "OK\r\n" or "FAILED\r\n".
void LogResult(Journal& journal, bool ok);
