// One plain HTTP or HTTPS GET whose answer is read and dropped.
#pragma once

#include "core/string.h"

// Requests the address; true when a response arrived, whatever its status.
// Each step is bounded by a few seconds.
bool HttpGetAndDiscard(const String& address);
