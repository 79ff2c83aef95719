// The fatal-error display of the core library (core/fatal.h).
#pragma once

// Registers the fatal-error display with the core library, for its 8-bit and
// its wide fatal texts: unless silent, the text is shown in an error box, then
// the process ends through the common exit: a corrupt-package report as
// such, any other fatal error as the ExitHooks' fatal outcome. A second fatal
// error during the display does nothing more.
void RegisterFatalDisplay();
