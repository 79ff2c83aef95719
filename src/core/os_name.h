// The English name of the operating system for the install log, crash
// reports and the %OSName% variable, and the numeric system family that
// %OS% exports and the excluded-systems mask tests.
#pragma once

#include <cstdint>

#include "core/os_facts.h"
#include "core/string.h"

enum OsNameOption : uint32_t {
  kOsNameNoServicePack = 0x1,
  // Stop after the version name: no edition, " x64", service pack or release.
  kOsNameVersionOnly = 0x2,
  // No "Windows " prefix, no WINE part, server names without "Server".
  kOsNameShort = 0x4,
};

// The name built from a record, e.g. "WINE 8.0 reporting as Windows 7
// Ultimate x64 Service Pack 1" or, short, "7 Ultimate x64 Service Pack 1".
// UTF-16, surrounding blanks trimmed.
String OSName(const OsFacts& facts, uint32_t options);
// The name of the running system, UTF-16 and in the ANSI code page.
String OSName(uint32_t options);
String OSNameA(uint32_t options);

// The edition text of a GetProductInfo product type, with its leading blank
// (" Ultimate"); empty for a type without one.
const char* EditionName(uint32_t product_type);

// System families. The numbers are exported to batch files as %OS% and
// select bit (1 << family) of the package's excluded-systems mask; they never
// change meaning, new ones are added at the end.
enum class OsFamily : int32_t {
  kOther = 0,
  kWindows95 = 1,
  kWindows98 = 2,
  kWindowsMe = 3,
  kWindowsNT4 = 4,  // NT 4.0 and older
  kWindows2000 = 5,
  kWindowsXP = 6,  // XP, and XP Professional x64
  kServer2003 = 7,  // Server 2003, R2, Storage Server, Home Server
  kWindowsVista = 8,
  kServer2008 = 9,
  kWindows7 = 10,
  kServer2008R2 = 11,  // and Home Server 2011
  kWindows8 = 12,
  kServer2012 = 13,
  kWindows81 = 14,
  kServer2012R2 = 15,
  kWindows10 = 16,  // also the 6.4 previews
  kServer2016 = 17,
  kServer2019 = 18,
};

OsFamily OsFamilyOf(const OsFacts& facts);
OsFamily CurrentOsFamily();
// The family's bit in an excluded-systems mask.
inline uint32_t OsFamilyBit(OsFamily family) { return 1u << static_cast<int32_t>(family); }
