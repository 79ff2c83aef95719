// The log writers: the one set through which every install action writes to
// the working log. Everything arrives there as UTF-8.
//
// Lines announce an item and complete it on the same line:
//   LogItem(u"Registering COM File \"", path);   // ...File "c:\x.dll"...
//   LogResult(ok);                                // OK / FAILED
#pragma once

#include <cstdint>

#include "core/string.h"

// Narrow text, taken as Windows-1252.
void LogText(const char* text);
void LogText(const String& narrow);
// printf-style narrow text (format.h's rules), then as narrow text.
void LogFormat(const char* format, ...);
// Wide text; what UTF-8 cannot hold becomes '?'.
void LogTextW(const char16_t* text);
void LogTextW(const String& wide);
// printf-style wide text, then as wide text.
void LogFormatW(const char16_t* format, ...);
// head + middle + tail, for lines built around a path.
void LogTextW(const char16_t* head, const String& middle, const char16_t* tail);

// The announcement of an item in progress: `head` (which ends in the opening
// double quote), the item, and "\"...".
void LogItem(const char16_t* head, const String& item);

// The completions of an announced item.
void LogOk();                      // "OK\r\n"
void LogFailed();                  // "FAILED\r\n"
void LogFailedBang();              // "FAILED!\r\n"
void LogFailedCode(int32_t code);  // "FAILED, code %d\r\n"
// "OK\r\n" or "FAILED\r\n".
void LogResult(bool ok);
