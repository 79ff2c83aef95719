// The support offer: before anything is removed, a product may offer the
// user help at an address instead. Accepting opens the address and removes
// nothing.
#pragma once

#include "core/string.h"
#include "package/languages.h"

// Whether `address` (UTF-16) is one the shell may be asked to open: "http://"
// or "https://" (any case) and a host, no blanks or control characters, no
// quotes. Anything else (a file path, a command) is never offered.
bool IsWellFormedAddress(const String& address);

// Platform (support_offer_win.cpp). Asks, unless the run is automatic; true
// when the user took the offer (the address has been opened then).
bool OfferSupport(const LanguageTable& languages, const String& address, const String& product);
