// Error boxes: the fatal-error display and the non-fatal error box.
#pragma once

#include "core/string.h"

// The title of every error box: message 21 of the language table, or "Error"
// while that message is empty or not yet loaded.
String ErrorTitle();

// Registers the fatal-error display with the core library: unless silent, the
// text is shown in an error box, then the process ends through the common
// exit with code 1. A second fatal error during the display does nothing more.
void RegisterFatalDisplay();

// A non-fatal error during installation. Empty texts show nothing; automatic
// mode shows the box only when the package asks for errors in that mode.
void ShowErrorBox(const String& text);
