#include <windows.h>

#include "core/os_facts.h"
#include "core/registry_win.h"
#include "core/system_library_win.h"

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
using WineGetVersionFn = const char*(CDECL*)();

constexpr WORD kArchitectureIa64 = 6;
constexpr WORD kArchitectureAmd64 = 9;
constexpr WORD kArchitectureArm64 = 12;

// RtlGetVersion tells the truth; GetVersionExW may report an older system to
// a program without a compatibility manifest entry for the newer one.
bool ReadVersionRecord(OSVERSIONINFOEXW* record) {
  *record = {};
  record->dwOSVersionInfoSize = sizeof *record;
  if (auto get = LoadedSystemFunction<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion")) {
    if (get(record) == 0) return true;
  }
  *record = {};
  record->dwOSVersionInfoSize = sizeof *record;
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(record))) return true;
  *record = {};
  record->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(record)) != FALSE;
}

OsVersion ToOsVersion(const OSVERSIONINFOEXW& record) {
  OsVersion version;
  version.size = record.dwOSVersionInfoSize;
  version.major = record.dwMajorVersion;
  version.minor = record.dwMinorVersion;
  // Windows 9x keeps the major and minor version in the high word.
  version.build = record.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? LOWORD(record.dwBuildNumber)
                                                                     : record.dwBuildNumber;
  version.platform = record.dwPlatformId;
  version.service_pack = String(reinterpret_cast<const char16_t*>(record.szCSDVersion));
  if (record.dwOSVersionInfoSize >= sizeof(OSVERSIONINFOEXW)) {
    version.service_pack_major = record.wServicePackMajor;
    version.service_pack_minor = record.wServicePackMinor;
    version.suite_mask = record.wSuiteMask;
    version.product_type = record.wProductType;
  }
  return version;
}

uint32_t ProductInfo(const OsVersion& version) {
  if (version.major <= 5) return 0;
  auto get = LoadedSystemFunction<GetProductInfoFn>(L"kernel32.dll", "GetProductInfo");
  DWORD type = 0;
  if (!get || !get(version.major, version.minor, version.service_pack_major, version.service_pack_minor, &type)) {
    return 0;
  }
  return type;
}

// A 32-bit process learns the machine's architecture only from
// GetNativeSystemInfo; GetSystemInfo reports its own emulated one.
bool NativeIs64Bit() {
  auto get = LoadedSystemFunction<GetNativeSystemInfoFn>(L"kernel32.dll", "GetNativeSystemInfo");
  if (!get) return false;
  SYSTEM_INFO info = {};
  get(&info);
  const WORD architecture = info.wProcessorArchitecture;
  return architecture == kArchitectureIa64 || architecture == kArchitectureAmd64 ||
         architecture == kArchitectureArm64;
}

uint32_t EditionMetrics() {
  uint32_t metrics = 0;
  if (GetSystemMetrics(SM_MEDIACENTER)) metrics |= kOsMediaCenter;
  if (GetSystemMetrics(SM_STARTER)) metrics |= kOsStarter;
  if (GetSystemMetrics(SM_TABLETPC)) metrics |= kOsTabletPc;
  if (GetSystemMetrics(SM_SERVERR2)) metrics |= kOsServerR2;
  return metrics;
}

String ReleaseId(bool is_64bit) {
  return ReadText(RegRoot::kLocalMachine, u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ReleaseId", u"", 0,
                  is_64bit ? RegView::k64 : RegView::kDefault);
}

}  // namespace

OsFacts LoadOsFacts() {
  OsFacts facts;
  OSVERSIONINFOEXW record;
  if (ReadVersionRecord(&record)) facts.version = ToOsVersion(record);
  facts.product_info = ProductInfo(facts.version);
  facts.is_64bit = NativeIs64Bit();
  if (auto wine = LoadedSystemFunction<WineGetVersionFn>(L"ntdll.dll", "wine_get_version")) {
    facts.under_wine = true;
    if (const char* version = wine()) facts.wine_version = version;
  }
  facts.metrics = EditionMetrics();
  if (facts.version.major == 10) facts.release_id = ReleaseId(facts.is_64bit);
  return facts;
}
