#include "core/os_facts.h"

const OsFacts& TheOsFacts() {
  static const OsFacts facts = LoadOsFacts();
  return facts;
}

bool IsNT(const OsFacts& facts) { return facts.version.platform == os_value::kPlatformNT; }

// Old records without a product type belong to workstations.
bool IsWorkstation(const OsFacts& facts) {
  return facts.version.product_type == os_value::kWorkstation || facts.version.product_type == 0;
}

bool IsServer(const OsFacts& facts) { return IsNT(facts) && !IsWorkstation(facts); }

bool WindowsAtLeast(const OsFacts& facts, uint32_t major, uint32_t minor) {
  if (!IsNT(facts)) return false;
  return facts.version.major > major || (facts.version.major == major && facts.version.minor >= minor);
}

bool Is64BitWindows() { return TheOsFacts().is_64bit; }
const char* BitsText() { return Is64BitWindows() ? "64" : "32"; }
const char16_t* BitsTextW() { return Is64BitWindows() ? u"64" : u"32"; }
const String& WineVersion() { return TheOsFacts().wine_version; }
bool IsNT() { return IsNT(TheOsFacts()); }
bool IsWorkstation() { return IsWorkstation(TheOsFacts()); }
bool IsMediaCenter() { return (TheOsFacts().metrics & kOsMediaCenter) != 0; }
bool WindowsAtLeast(uint32_t major, uint32_t minor) { return WindowsAtLeast(TheOsFacts(), major, minor); }
