#include "core/os_facts.h"

// Host tests see a plain 32-bit Windows 10 workstation, never WINE.
OsFacts LoadOsFacts() {
  OsFacts facts;
  facts.version.size = 284;
  facts.version.major = 10;
  facts.version.minor = 0;
  facts.version.build = 19045;
  facts.version.platform = os_value::kPlatformNT;
  facts.version.product_type = os_value::kWorkstation;
  facts.product_info = 48;  // Professional
  return facts;
}
