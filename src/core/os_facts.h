// The operating-system facts: the version record, the product type, whether
// Windows is 64-bit and whether the program runs under WINE. Filled once, on
// first use, and kept for the life of the process.
//
// Platform: LoadOsFacts() in os_facts_win.cpp (RtlGetVersion or
// GetVersionExW, GetProductInfo, GetNativeSystemInfo, wine_get_version, all
// looked up at run time); os_facts_host.cpp gives a plain record for host tests.
#pragma once

#include <cstdint>

#include "core/string.h"

// The system's version record (OSVERSIONINFOEXW).
struct OsVersion {
  uint32_t size = 0;  // of the record the system filled
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platform = 0;  // 1 Windows 9x, 2 NT
  String service_pack;    // UTF-16, "Service Pack 1"; empty when none
  uint16_t service_pack_major = 0;
  uint16_t service_pack_minor = 0;
  uint16_t suite_mask = 0;
  uint8_t product_type = 0;  // 1 workstation, 2 domain controller, 3 server
};

// The platform and product-type numbers, and the suite bits the OS name reads.
namespace os_value {
constexpr uint32_t kPlatform9x = 1;
constexpr uint32_t kPlatformNT = 2;
constexpr uint8_t kWorkstation = 1;

constexpr uint16_t kSuiteEnterprise = 0x2;
constexpr uint16_t kSuiteEmbeddedNT = 0x40;
constexpr uint16_t kSuiteDatacenter = 0x80;
constexpr uint16_t kSuitePersonal = 0x200;  // the home editions
constexpr uint16_t kSuiteBlade = 0x400;     // web server editions
constexpr uint16_t kSuiteStorageServer = 0x2000;
constexpr uint16_t kSuiteComputeServer = 0x4000;
constexpr uint16_t kSuiteHomeServer = 0x8000;

// Product types of GetProductInfo for the home-server product.
constexpr uint32_t kProductHomeServer = 0x22;
constexpr uint32_t kProductHomePremiumServer = 0x32;
}  // namespace os_value

// Answers of GetSystemMetrics that name an edition.
enum OsMetric : uint32_t {
  kOsMediaCenter = 0x1,  // SM_MEDIACENTER
  kOsStarter = 0x2,      // SM_STARTER
  kOsTabletPc = 0x4,     // SM_TABLETPC
  kOsServerR2 = 0x8,     // SM_SERVERR2
};

struct OsFacts {
  OsVersion version;
  uint32_t product_info = 0;  // GetProductInfo; 0 below Windows Vista or unknown
  bool is_64bit = false;      // 64-bit Windows, whatever this process is
  bool under_wine = false;
  String wine_version;  // 8-bit, as WINE gives it; empty when not under WINE
  uint32_t metrics = 0;  // OsMetric bits
  String release_id;     // UTF-16 "ReleaseId" of Windows 10; empty when none
};

// The process-wide record, filled by LoadOsFacts() on first use.
const OsFacts& TheOsFacts();
// Platform: asks the system.
OsFacts LoadOsFacts();

// Readings of a record.
bool IsNT(const OsFacts& facts);
bool IsWorkstation(const OsFacts& facts);  // product type 1
bool IsServer(const OsFacts& facts);       // an NT system that is no workstation
// An NT system of at least version major.minor.
bool WindowsAtLeast(const OsFacts& facts, uint32_t major, uint32_t minor);

// The same of the running system.
bool Is64BitWindows();
// "64" or "32".
const char* BitsText();
const char16_t* BitsTextW();
// The WINE version; empty when not running under WINE.
const String& WineVersion();
bool IsNT();
bool IsWorkstation();
bool IsMediaCenter();
bool WindowsAtLeast(uint32_t major, uint32_t minor);
inline bool IsWindows2000OrLater() { return WindowsAtLeast(5, 0); }
inline bool IsWindowsXPOrLater() { return WindowsAtLeast(5, 1); }
inline bool IsWindowsVistaOrLater() { return WindowsAtLeast(6, 0); }
inline bool IsWindows7OrLater() { return WindowsAtLeast(6, 1); }
inline bool IsWindows8OrLater() { return WindowsAtLeast(6, 2); }
inline bool IsWindows10OrLater() { return WindowsAtLeast(10, 0); }
