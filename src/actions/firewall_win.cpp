#include <windows.h>
#include <netfw.h>
#include <oleauto.h>

#include "actions/action_guard.h"
#include "actions/firewall.h"
#include "core/codepage.h"
#include "core/com_ptr_win.h"
#include "core/path_rules.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/variables.h"
#include "records/log_writers.h"
#include "records/uninstall_records.h"

namespace {

constexpr GUID kFwMgrClass = {0x304CE942, 0x6E39, 0x40D8, {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
constexpr GUID kFwMgrIid = {0xF7898AF5, 0xCAC4, 0x4632, {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};
constexpr GUID kOpenPortClass = {0x0CA545C6, 0x37AD, 0x4A6C, {0xBF, 0x92, 0x9F, 0x76, 0x10, 0x06, 0x7E, 0xF5}};
constexpr GUID kOpenPortIid = {0xE0483BA0, 0x47FF, 0x4D9C, {0xA6, 0xD6, 0x77, 0x41, 0xD0, 0xB1, 0x95, 0xF7}};
constexpr GUID kAppClass = {0xEC9846B3, 0x2762, 0x4A6B, {0xA2, 0x14, 0x6A, 0xCB, 0x60, 0x34, 0x62, 0xD2}};
constexpr GUID kAppIid = {0xB5E64FFA, 0xC2C5, 0x444E, {0xA3, 0x01, 0xFB, 0x5E, 0x00, 0x01, 0x80, 0x50}};
constexpr int32_t kTcp = 6;
constexpr int32_t kUdp = 17;

// A BSTR owned for the length of one call.
class Bstr {
 public:
  explicit Bstr(const String& text) : text_(SysAllocString(reinterpret_cast<const OLECHAR*>(text.w_str()))) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return text_; }

 private:
  BSTR text_;
};

int32_t CurrentProfile(ComPtr<INetFwProfile>* profile) {
  ComPtr<INetFwMgr> manager;
  if (FAILED(CoCreateInstance(kFwMgrClass, nullptr, CLSCTX_INPROC_SERVER, kFwMgrIid, manager.ReceiveVoid()))) {
    return kFirewallNoManager;
  }
  ComPtr<INetFwPolicy> policy;
  if (FAILED(manager->get_LocalPolicy(policy.Receive())) || FAILED(policy->get_CurrentProfile(profile->Receive()))) {
    return kFirewallNoProfile;
  }
  return kFirewallOk;
}

int32_t AddPort(INetFwProfile* profile, int32_t port, int32_t protocol, const String& name) {
  ComPtr<INetFwOpenPorts> ports;
  if (FAILED(profile->get_GloballyOpenPorts(ports.Receive()))) return kFirewallNoList;
  ComPtr<INetFwOpenPort> entry;
  if (FAILED(CoCreateInstance(kOpenPortClass, nullptr, CLSCTX_INPROC_SERVER, kOpenPortIid, entry.ReceiveVoid()))) {
    return kFirewallNoObject;
  }
  const Bstr bname(name);
  if (FAILED(entry->put_Port(port)) || FAILED(entry->put_Protocol(static_cast<NET_FW_IP_PROTOCOL>(protocol))) ||
      FAILED(entry->put_Name(bname.get()))) {
    return kFirewallBadSetting;
  }
  return SUCCEEDED(ports->Add(entry.get())) ? kFirewallOk : kFirewallAddRefused;
}

int32_t AddProgram(INetFwProfile* profile, const String& path, const String& name) {
  ComPtr<INetFwAuthorizedApplications> apps;
  if (FAILED(profile->get_AuthorizedApplications(apps.Receive()))) return kFirewallNoList;
  ComPtr<INetFwAuthorizedApplication> entry;
  if (FAILED(CoCreateInstance(kAppClass, nullptr, CLSCTX_INPROC_SERVER, kAppIid, entry.ReceiveVoid()))) {
    return kFirewallNoObject;
  }
  const Bstr bpath(path);
  const Bstr bname(name);
  if (FAILED(entry->put_ProcessImageFileName(bpath.get())) || FAILED(entry->put_Name(bname.get()))) {
    return kFirewallBadSetting;
  }
  return SUCCEEDED(apps->Add(entry.get())) ? kFirewallOk : kFirewallAddRefused;
}

bool FileExists(const String& path) {
  const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.w_str()));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A program line's path, variables expanded, relative to the install folder.
String ProgramPath(const FirewallLine& line, const String& install_folder) {
  String path = line.program;
  ExpandVariables(path);
  return IsAbsolutePathW(path.w_str()) ? path : JoinPath(install_folder, path.w_str());
}

// One line; true when everything it asked for was added.
bool ApplyLine(Journal& journal, INetFwProfile* profile, const FirewallLine& line, const String& install_folder) {
  bool ok = true;
  if (line.is_port) {
    const struct {
      uint32_t bit;
      int32_t protocol;
      const char* text;
    } protocols[] = {{kFirewallTcp, kTcp, "TCP"}, {kFirewallUdp, kUdp, "UDP"}};
    for (const auto& p : protocols) {
      if ((line.protocols & p.bit) == 0) continue;
      const int32_t code = AddPort(profile, line.port, p.protocol, line.name);
      if (code == kFirewallOk) {
        LogFormat(journal, "Added firewall exception: %s port %d\r\n", p.text, line.port);
      } else {
        LogFormat(journal, "Failed to open firewall port %d, code %d\r\n", line.port, code);
        ok = false;
      }
    }
    return ok;
  }
  const String path = ProgramPath(line, install_folder);
  if (!FileExists(path)) {
    LogFormatW(journal, u"Failed to add firewall exception for \"%s\": file does not exist\r\n", path.w_str());
    return false;
  }
  const int32_t code = AddProgram(profile, path, line.name);
  if (code != kFirewallOk) {
    LogFormatW(journal, u"Failed to add firewall exception for \"%s\", code %d\r\n", path.w_str(), code);
    return false;
  }
  LogTextW(journal, u"Added firewall exception: ", path, u"\r\n");
  return true;
}

}  // namespace

int32_t AddFirewallPort(int32_t port, int32_t protocol, const String& name) {
  ComPtr<INetFwProfile> profile;
  const int32_t code = CurrentProfile(&profile);
  return code == kFirewallOk ? AddPort(profile.get(), port, protocol, name) : code;
}

int32_t AddFirewallProgram(const String& path, const String& name) {
  ComPtr<INetFwProfile> profile;
  const int32_t code = CurrentProfile(&profile);
  return code == kFirewallOk ? AddProgram(profile.get(), path, name) : code;
}

int32_t RemoveFirewallProgram(const String& path) {
  ComPtr<INetFwProfile> profile;
  const int32_t code = CurrentProfile(&profile);
  if (code != kFirewallOk) return code;
  ComPtr<INetFwAuthorizedApplications> apps;
  if (FAILED(profile->get_AuthorizedApplications(apps.Receive()))) return kFirewallNoList;
  const Bstr bpath(path);
  return SUCCEEDED(apps->Remove(bpath.get())) ? kFirewallOk : kFirewallRemoveRefused;
}

void ApplyFirewallList(Journal& journal, const String& list, const String& install_folder, const String& product_name) {
  if (list.empty()) return;
  // Every line is checked before anything changes: a damaged list stops here.
  Array<String> lines;
  for (int32_t start = 0; start < list.wlength();) {
    int32_t end = list.FindW(u"\r\n", start);
    if (end < 0) end = list.wlength();
    String text(list.w_str() + start, end - start);
    start = end + 2;
    if (text.empty()) continue;
    FirewallLine parsed;
    if (!ParseFirewallLine(text, &parsed)) ReportCorruptPackage(kCorruptFirewallLine);
    lines.Add(text);
  }
  ComPtr<INetFwProfile> profile;
  const int32_t code = CurrentProfile(&profile);
  if (code != kFirewallOk) return LogFormat(journal, "Failed to connect to the firewall service: code %d\r\n", code);
  for (int32_t i = 0; i < lines.Count(); ++i) {
    FirewallLine line;
    ParseFirewallLine(lines[i], &line);
    if (line.name.empty()) line.name = product_name;
    // A kept exception stays after the uninstall: nothing to record.
    if (ApplyLine(journal, profile.get(), line, install_folder) && !line.keep) {
      RecordFirewallException(journal.records, Utf16ToAnsi(lines[i]));
    }
  }
}

namespace {

void RemovePort(INetFwProfile* profile, int32_t port, int32_t protocol) {
  ComPtr<INetFwOpenPorts> ports;
  if (SUCCEEDED(profile->get_GloballyOpenPorts(ports.Receive()))) {
    ports->Remove(port, static_cast<NET_FW_IP_PROTOCOL>(protocol));
  }
}

void RemoveProgram(INetFwProfile* profile, const String& path) {
  ComPtr<INetFwAuthorizedApplications> apps;
  if (FAILED(profile->get_AuthorizedApplications(apps.Receive()))) return;
  const Bstr bpath(path);
  apps->Remove(bpath.get());
}

}  // namespace

void RemoveFirewallExceptions(const Array<String>& lines, const String& install_folder) {
  if (lines.IsEmpty()) return;
  ComPtr<INetFwProfile> profile;
  if (CurrentProfile(&profile) != kFirewallOk) return;
  for (int32_t i = 0; i < lines.Count(); ++i) {
    FirewallLine line;
    if (!ParseFirewallLine(lines[i], &line)) continue;
    if (line.is_port) {
      if (line.protocols & kFirewallTcp) RemovePort(profile.get(), line.port, kTcp);
      if (line.protocols & kFirewallUdp) RemovePort(profile.get(), line.port, kUdp);
      continue;
    }
    RemoveProgram(profile.get(), ProgramPath(line, install_folder));
  }
}
