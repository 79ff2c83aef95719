// Whether the run shows any user interface. The entry sets it from the
// command line; the core library asks it before it shows a box of its own, so
// that a silent run never stops at a question nobody can answer.
#pragma once

void SetSilentMode(bool silent);
bool SilentMode();
