#include "core/silent_mode.h"

namespace {

bool g_silent = false;
bool g_automatic = false;

}  // namespace

void SetSilentMode(bool silent) { g_silent = silent; }

bool SilentMode() { return g_silent; }

void SetAutomaticMode(bool automatic) { g_automatic = automatic; }

bool AutomaticMode() { return g_automatic; }
