#include "core/silent_mode.h"

namespace {

bool g_silent = false;

}  // namespace

void SetSilentMode(bool silent) { g_silent = silent; }

bool SilentMode() { return g_silent; }
