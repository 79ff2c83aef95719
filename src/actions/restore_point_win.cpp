#include <windows.h>
#include <aclapi.h>
#include <objbase.h>
#include <srrestoreptapi.h>

#include "actions/action_guard.h"
#include "actions/restore_point.h"
#include "core/format.h"
#include "core/handle_win.h"
#include "core/system_error_text.h"
#include "core/system_library_win.h"
#include "records/log_writers.h"

namespace {

constexpr DWORD kBeginSystemChange = 100;
constexpr DWORD kEndSystemChange = 101;
constexpr DWORD kApplicationInstall = 0;
constexpr DWORD kServiceDisabled = ERROR_SERVICE_DISABLED;  // 1058: System Restore is turned off
constexpr DWORD kComRights = 1 | 2;  // COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL

using SetRestorePointFn = BOOL(WINAPI*)(PRESTOREPOINTINFOW, PSTATEMGRSTATUS);

struct LocalMemory {
  HLOCAL memory = nullptr;
  ~LocalMemory() {
    if (memory) LocalFree(memory);
  }
};

// The caller's own account, from its process token.
bool OwnSid(BYTE* buffer, DWORD size) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  KernelHandle token(raw);
  BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD needed = 0;
  if (!GetTokenInformation(token.get(), TokenUser, user, sizeof(user), &needed)) return false;
  return CopySid(size, buffer, reinterpret_cast<TOKEN_USER*>(user)->User.Sid) != FALSE;
}

// COM security that admits the system services which call back into the
// installer while System Restore works, and the installer's own account.
HRESULT InitializeComSecurity() {
  const WELL_KNOWN_SID_TYPE kinds[] = {WinBuiltinAdministratorsSid, WinLocalSystemSid, WinLocalServiceSid,
                                       WinNetworkServiceSid};
  constexpr int kCount = 5;
  BYTE sids[kCount][SECURITY_MAX_SID_SIZE];
  EXPLICIT_ACCESSW access[kCount] = {};
  for (int i = 0; i < kCount; ++i) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    const bool made = i < 4 ? CreateWellKnownSid(kinds[i], nullptr, sids[i], &size) != FALSE
                            : OwnSid(sids[i], SECURITY_MAX_SID_SIZE);
    if (!made) return HRESULT_FROM_WIN32(GetLastError());
    access[i].grfAccessPermissions = kComRights;
    access[i].grfAccessMode = SET_ACCESS;
    access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access[i].Trustee.ptstrName = reinterpret_cast<LPWSTR>(sids[i]);
  }
  LocalMemory acl;
  const DWORD error = SetEntriesInAclW(kCount, access, nullptr, reinterpret_cast<PACL*>(&acl.memory));
  if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorOwner(&descriptor, sids[0], FALSE) ||
      !SetSecurityDescriptorGroup(&descriptor, sids[0], FALSE) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, static_cast<PACL>(acl.memory), FALSE)) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  const HRESULT result = CoInitializeSecurity(&descriptor, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                              RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
  // Already set for this process (by an earlier COM call): what is set stays.
  return result == RPC_E_TOO_LATE ? S_OK : result;
}

String HresultText(HRESULT result) {
  return SystemErrorTextW(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : result);
}

// Begins the point; an empty text on success, else the reason.
String Begin(const RestorePointInputs& inputs, RestorePoint* point) {
  SystemLibrary library(L"srclient.dll");
  if (!library.loaded()) return String(u"System Restore is not present.");
  const auto set_point = library.Get<SetRestorePointFn>("SRSetRestorePointW");
  if (!set_point) return String(u"SRSetRestorePointW is not present.");
  const HRESULT security = InitializeComSecurity();
  if (FAILED(security)) {
    String reason(u"Failed to initialize COM security: ");
    reason.Append(HresultText(security));
    return reason;
  }
  RESTOREPOINTINFOW info = {};
  info.dwEventType = kBeginSystemChange;
  info.dwRestorePtType = kApplicationInstall;
  info.llSequenceNumber = 0;
  const String description = RestorePointDescription(inputs.product_name, inputs.version);
  for (int32_t i = 0; i < description.wlength() && i < MAX_DESC_W - 1; ++i) info.szDescription[i] = description.w_str()[i];
  STATEMGRSTATUS status = {};
  if (set_point(&info, &status)) {
    point->begun = true;
    point->sequence = status.llSequenceNumber;
    return String();
  }
  if (status.nStatus == kServiceDisabled) return String(u"System Restore is turned off.");
  const String text = SystemErrorTextW(status.nStatus);
  return FormatW(u"Failed, code %u: %s", static_cast<unsigned>(status.nStatus), text.w_str());
}

}  // namespace

RestorePoint BeginRestorePoint(Journal& journal, const RestorePointInputs& inputs) {
  LogTextW(journal, u"Creating restore point...");
  RestorePoint point;
  String reason(u"Crashed");
  auto work = [&]() { reason = Begin(inputs, &point); };
  if (!RunActionGuarded(work)) point = RestorePoint();
  if (point.begun) {
    LogOk(journal);
  } else {
    LogFailed(journal);
    LogFormatW(journal, u"%s\r\n\r\n", reason.w_str());
  }
  return point;
}

void CommitRestorePoint(Journal& journal, const RestorePoint& point) {
  if (!point.begun) return;
  SystemLibrary library(L"srclient.dll");
  const auto set_point = library.Get<SetRestorePointFn>("SRSetRestorePointW");
  RESTOREPOINTINFOW info = {};
  info.dwEventType = kEndSystemChange;
  info.llSequenceNumber = point.sequence;
  STATEMGRSTATUS status = {};
  bool committed = false;
  auto work = [&]() { committed = set_point && set_point(&info, &status); };
  if (!RunActionGuarded(work) || !committed) LogText(journal, "Failed to commit restore point.\r\n");
}
