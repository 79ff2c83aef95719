// Where a fatal message goes while no display is registered (early in the
// start, or in a program that registers none).
#pragma once

// Windows: a program with a standard error stream (a console, a test's
// pipe) gets the message there; a windowed program, which has none, shows
// it in an error box (none in a silent run). Host: the standard error stream.
void ShowFatalWithoutDisplay(const char* text);
