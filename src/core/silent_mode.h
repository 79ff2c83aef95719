// Whether the run shows any user interface, and whether it asks questions.
// The entry sets both from the command line (automatic mode again once the
// package's settings are read); the core library and the message boxes
// (package/message_box.h) ask them, so that a silent run never stops at a
// question nobody can answer.
#pragma once

// Silent: no window at all.
void SetSilentMode(bool silent);
bool SilentMode();
// Automatic: no questions, the default answers hold.
void SetAutomaticMode(bool automatic);
bool AutomaticMode();
