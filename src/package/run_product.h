// The product one run works for: its settings and language table. The run's
// owner holds it as a value (install mode reads it from the package,
// uninstall mode from the Uninstall key and the uninstall data) and hands it
// down as `const RunProduct&`; nothing below the owner writes it.
#pragma once

#include "package/languages.h"
#include "package/settings.h"

struct RunProduct {
  ProductSettings settings;
  LanguageTable languages;
};

// The product of a run that has none (yet): default settings and the
// built-in texts. One object for every caller, kept in the program once.
const RunProduct& NoRunProduct();
