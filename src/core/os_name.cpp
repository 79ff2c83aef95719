#include "core/os_name.h"

#include <utility>

#include "core/codepage.h"
#include "core/format.h"

namespace {

using namespace os_value;

struct Edition {
  uint32_t type;
  const char* text;
};

// GetProductInfo's product types.
constexpr Edition kEditions[] = {
    {1, " Ultimate"},
    {2, " Home Basic"},
    {3, " Home Premium"},
    {4, " Enterprise"},
    {5, " Home Basic N"},
    {6, " Business"},
    {7, " Server Standard"},
    {8, " Datacenter"},
    {9, " Small Business Server"},
    {10, " Enterprise"},
    {11, " Starter"},
    {12, " Datacenter (core)"},
    {13, " Server Standard (core)"},
    {14, " Enterprise (core)"},
    {15, " Enterprise for Itanium"},
    {16, " Business N"},
    {17, " Web Server"},
    {18, " Cluster Server"},
    {20, " Storage Server Express"},
    {21, " Storage Server Standard"},
    {22, " Storage Server Workgroup"},
    {23, " Storage Server Enterprise"},
    {24, " for Windows Essential Server Solutions"},
    {25, " Small Business Server Premium"},
    {26, " Home Premium N"},
    {27, " Enterprise N"},
    {28, " Ultimate N"},
    {29, " Web Server (core)"},
    {30, " Essential Business Server Management Server"},
    {31, " Essential Business Server Security Server"},
    {32, " Essential Business Server Messaging Server"},
    {33, " Server Foundation"},
    {35, " for Windows Essential Server Solutions (without Hyper-V)"},
    {36, " Server Standard (without Hyper-V)"},
    {37, " Server Datacenter (without Hyper-V)"},
    {38, " Server Enterprise (without Hyper-V)"},
    {39, " Server Datacenter (without Hyper-V) (core)"},
    {40, " Server Standard (without Hyper-V) (core)"},
    {41, " Server Enterprise (without Hyper-V) (core)"},
    {42, " Hyper-V Server"},
    {43, " Storage Server Express (core)"},
    {44, " Storage Server Standard (core)"},
    {45, " Storage Server Workgroup (core)"},
    {46, " Storage Server Enterprise (core)"},
    {47, " Starter N"},
    {48, " Professional"},
    {49, " Professional N"},
    {56, " MultiPoint Server"},
    {57, " MultiPoint Server (core)"},
    {63, " Small Business Server Premium (core)"},
    {64, " Cluster Server (without Hyper-V)"},
};

// Builds the name in UTF-16; the service-pack and release texts come from
// the system as UTF-16.
class NameBuilder {
 public:
  NameBuilder(const OsFacts& facts, uint32_t options)
      : facts_(facts), v_(facts.version), short_(options & kOsNameShort) {}

  String Build(uint32_t options) {
    if (!short_ && facts_.under_wine) AppendFormatW(out_, u"WINE %hs reporting as ", facts_.wine_version.c_str());
    if (!short_) Add("Windows ");
    VersionName();
    if (!(options & kOsNameVersionOnly)) {
      if (v_.major > 5) Add(EditionName(facts_.product_info));
      if (facts_.is_64bit) Add(" x64");
      if (!(options & kOsNameNoServicePack)) AppendAfterBlank(v_.service_pack);
      if (v_.platform == kPlatformNT && v_.major == 10 && !IsServer(facts_)) AppendAfterBlank(facts_.release_id);
    }
    out_.TrimW();
    return std::move(out_);
  }

 private:
  // The texts of the name are ASCII.
  void Add(const char* text) {
    for (; *text; ++text) out_.AppendW(static_cast<char16_t>(*text));
  }
  // The long and the short form of a name.
  void Add(const char* long_text, const char* short_text) { Add(short_ ? short_text : long_text); }
  bool Suite(uint16_t bit) const { return (v_.suite_mask & bit) != 0; }
  bool Metric(uint32_t bit) const { return (facts_.metrics & bit) != 0; }

  void AppendAfterBlank(const String& text) {
    String trimmed = text;
    trimmed.TrimW();
    if (trimmed.empty()) return;
    out_.AppendW(u' ');
    out_.Append(trimmed);
  }

  void VersionName() {
    if (v_.platform == kPlatform9x) return Windows9x();
    if (v_.platform != kPlatformNT) {
      AppendFormatW(out_, u"%u.%u", v_.major, v_.minor);
      return;
    }
    const bool server = IsServer(facts_);
    switch (v_.major) {
      case 5: return server ? Server5() : Workstation5();
      case 6: return server ? Server6() : Workstation6();
      case 10:
        if (!server) return Add("10");
        if (v_.build > 17732) return Add("Server 2019", "2019");
        return Add("Server 2016", "2016");
      default: AppendFormatW(out_, u"NT %u.%u", v_.major, v_.minor);
    }
  }

  void Windows9x() {
    if (v_.major != 4) {
      AppendFormatW(out_, u"9x %u.%u", v_.major, v_.minor);
    } else if (v_.minor <= 9) {
      Add("95");
      if (v_.build == 1111) Add(" OSR2");
    } else if (v_.minor >= 90) {
      Add("ME");
    } else {
      Add("98");
      if (v_.build == 2222) Add(" SE");
    }
  }

  void Workstation5() {
    switch (v_.minor) {
      case 0: return Add("2000 Professional");
      case 1:
        Add(Suite(kSuitePersonal) ? "XP Home" : "XP Professional");
        if (Suite(kSuiteEmbeddedNT)) Add(" Embedded");
        if (Metric(kOsMediaCenter)) Add(" Media Center");
        if (Metric(kOsStarter)) Add(" Starter");
        if (Metric(kOsTabletPc)) Add(" Tablet PC");
        return;
      case 2: return Add("XP Professional");  // XP Professional x64 Edition
      default: AppendFormatW(out_, u"NT 5.%u", v_.minor);
    }
  }

  void Server5() {
    switch (v_.minor) {
      case 0:
        Add("2000");
        if (Suite(kSuiteDatacenter)) return Add(" Datacenter Server");
        if (Suite(kSuiteEnterprise)) return Add(" Advanced Server");
        return Add(" Server");
      case 1: return Workstation5();  // there is no XP server
      case 2: return Server2003();
      default: AppendFormatW(out_, u"NT 5.%u", v_.minor);
    }
  }

  void Server2003() {
    if (Suite(kSuiteHomeServer)) return Add("Home Server", "XP");
    if (short_) return Add("2003");
    Add(Suite(kSuiteStorageServer) ? "Storage Server 2003" : "Server 2003");
    if (Metric(kOsServerR2)) Add(" R2");
    if (Suite(kSuiteEnterprise)) Add(" Enterprise");
    if (Suite(kSuiteDatacenter)) Add(" Datacenter");
    if (Suite(kSuiteBlade)) Add(" Web");
    if (Suite(kSuiteComputeServer)) Add(" Compute Cluster");
  }

  void Workstation6() {
    switch (v_.minor) {
      case 0:
        Add("Vista");
        if (facts_.product_info == 0 && Suite(kSuitePersonal)) Add(" Home");
        return;
      case 1: return Add("7");
      case 2: return Add("8");
      case 3: return Add("8.1");
      default: return Other6();
    }
  }

  void Server6() {
    switch (v_.minor) {
      case 0:
        Add("Server 2008", "2008");
        if (Suite(kSuiteDatacenter)) return Add(" Datacenter");
        if (Suite(kSuiteEnterprise)) return Add(" Enterprise");
        return;
      case 1:
        if (facts_.product_info == kProductHomeServer || facts_.product_info == kProductHomePremiumServer) {
          return Add("Home Server 2011", "7");
        }
        return Add("Server 2008 R2", "2008");
      case 2: return Add("Server 2012", "2012");
      case 3: return Add("Server 2012 R2", "2012");
      default: return Other6();
    }
  }

  void Other6() {
    if (v_.minor == 4) return Add("10 alpha", "10");
    if (short_) return Add("NT6");
    AppendFormatW(out_, u"NT 6.%u", v_.minor);
  }

  const OsFacts& facts_;
  const OsVersion& v_;
  bool short_;
  String out_;
};

OsFamily Family9x(const OsVersion& v) {
  if (v.major != 4) return OsFamily::kOther;
  if (v.minor <= 9) return OsFamily::kWindows95;
  return v.minor >= 90 ? OsFamily::kWindowsMe : OsFamily::kWindows98;
}

OsFamily FamilyNT(const OsFacts& facts) {
  const OsVersion& v = facts.version;
  const bool server = IsServer(facts);
  if (v.major < 5) return OsFamily::kWindowsNT4;
  if (v.major == 5) {
    if (v.minor == 0) return OsFamily::kWindows2000;
    if (v.minor == 1) return OsFamily::kWindowsXP;
    if (v.minor == 2) return server ? OsFamily::kServer2003 : OsFamily::kWindowsXP;
    return OsFamily::kOther;
  }
  if (v.major == 6) {
    switch (v.minor) {
      case 0: return server ? OsFamily::kServer2008 : OsFamily::kWindowsVista;
      case 1: return server ? OsFamily::kServer2008R2 : OsFamily::kWindows7;
      case 2: return server ? OsFamily::kServer2012 : OsFamily::kWindows8;
      case 3: return server ? OsFamily::kServer2012R2 : OsFamily::kWindows81;
      case 4: return OsFamily::kWindows10;
      default: return OsFamily::kOther;
    }
  }
  if (v.major == 10) {
    if (!server) return OsFamily::kWindows10;
    return v.build > 17732 ? OsFamily::kServer2019 : OsFamily::kServer2016;
  }
  return OsFamily::kOther;
}

}  // namespace

const char* EditionName(uint32_t product_type) {
  for (const Edition& edition : kEditions) {
    if (edition.type == product_type) return edition.text;
  }
  return "";
}

String OSName(const OsFacts& facts, uint32_t options) { return NameBuilder(facts, options).Build(options); }

String OSName(uint32_t options) { return OSName(TheOsFacts(), options); }

String OSNameA(uint32_t options) { return Utf16ToAnsi(OSName(options)); }

OsFamily OsFamilyOf(const OsFacts& facts) {
  if (facts.version.platform == kPlatform9x) return Family9x(facts.version);
  if (facts.version.platform == kPlatformNT) return FamilyNT(facts);
  return OsFamily::kOther;
}

OsFamily CurrentOsFamily() { return OsFamilyOf(TheOsFacts()); }
