// Readable texts for system error numbers, the way every report of the
// program words a failure: the system's own message, in the user's language.
//
// Platform: system_error_text_win.cpp asks FormatMessageW and GetLastError;
// system_error_text_host.cpp gives a plain "System error N." for host tests.
#pragma once

#include <cstdint>

#include "core/string.h"

constexpr uint32_t kErrorInvalidPassword = 86;

// The text for `error`: empty for 0; "Incorrect password." for 86, whatever
// the system says (its own words speak of network passwords, which misleads
// the user of a protected installer); otherwise the system's message without
// its trailing blanks and line breaks, or empty when it has none.
// W: UTF-16; the plain form: the ANSI code page ("?" for what it cannot hold).
String SystemErrorTextW(uint32_t error);
String SystemErrorText(uint32_t error);

// The same for the calling thread's last error, which is left unchanged.
String LastErrorTextW();
String LastErrorText();

// Platform.
namespace system_error {
// The system's message for `error` (UTF-16, as the system gives it); false
// when it has none.
bool LookUp(uint32_t error, String* text);
// The calling thread's last error.
uint32_t Last();
}  // namespace system_error
