#include "core/char_class.h"

// The host has no user32: the built-in table decides everything.
SystemCharClass LoadSystemCharClass() { return SystemCharClass{}; }
