// The product's greeting sound, played as the wizard opens.
#pragma once

#include "core/string.h"

// Starts playing `wave` (the bytes of a WAVE file) and returns at once; the
// bytes must stay until the sound has ended (the settings keep them for the
// whole run). False when there is nothing to play or no sound service.
bool PlayGreetingSound(const String& wave);
