// The one corrupt-package report. Every integrity check of the package ends
// here with its number (package/corrupt.h), whatever the stage.
#pragma once

#include "core/string.h"


// The built-in text, used while the language table is not loaded or its
// message 13 is empty.
extern const char16_t kCorruptPackageText[];

// The report's text: `message` (message 13 of the current language) when not
// empty, else the built-in text, with the number put in place of its first
// "%d". The product's text is never used as a printf format: "%%" becomes
// "%", other percent sequences stay as they are.
String CorruptPackageText(const String& message, int code);

// Shows the report through the fatal-error display (a message box unless
// silent) and ends the process with exit code 1.
[[noreturn]] void ReportCorruptPackage(int code);

// Whether the report has been made: the exit code tells a corrupt package
// from other fatal errors.
bool CorruptPackageReported();
