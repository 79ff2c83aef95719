// One plain HTTP or HTTPS request whose answer is read and dropped.
#pragma once

#include "core/string.h"

// Requests the address; true when a response arrived, whatever its status.
// Each step is bounded by a few seconds.
bool HttpGetAndDiscard(const String& address);

// Posts `body` (8-bit bytes) with the given content type, for example
// "multipart/form-data; boundary=AaB03x"; bounded like the GET.
bool HttpPostAndDiscard(const String& address, const char* content_type, const String& body);
