// The process-wide home of the product settings and the language string
// table: read once from the package, kept until the process ends.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "package/languages.h"
#include "package/settings.h"

ProductSettings& Settings();
LanguageTable& Languages();

// Message n of the current language from the process-wide table: UTF-16, and
// converted to the ANSI code page. Empty before the table is loaded or for a
// number outside it.
String Message(int32_t n);
String MessageA(int32_t n);
