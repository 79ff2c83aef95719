#include <windows.h>
#include <oleauto.h>

#include "actions/action_guard.h"
#include "actions/components.h"
#include "actions/file_install_rules.h"
#include "actions/install_hooks.h"
#include "actions/shortcut_rules.h"
#include "core/format.h"
#include "core/progress.h"
#include "core/process_win.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "core/system_library_win.h"
#include "core/wide_win.h"
#include "package/message_numbers.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/log_writers.h"
#include "records/marked_path.h"
#include "records/uninstall_records.h"

namespace {

constexpr int32_t kRegistrationProgress = 93;
constexpr uint32_t kMsiMissing = 120;  // ERROR_CALL_NOT_IMPLEMENTED
constexpr uint32_t kUnsignedInf = 0xE000022F;
constexpr DWORD kSpostPath = 1;  // SPOST_PATH
constexpr uint32_t kCrashCode = 0x8000FFFF;

}  // namespace

ComponentProgress ComponentProgressOf(const LanguageTable& languages, const Progress& progress, Journal& journal) {
  return ComponentProgress{progress, MessageText(languages, message_number::kInstallingFont), &journal};
}

namespace {

void ShowItem(const ComponentProgress& progress, const String& item) {
  ReportProgress(progress.progress, kRegistrationProgress, FontStatusText(progress.item_status, item));
}

// regsvr32 first; when it refuses, the server's own DllRegisterServer.
void RegisterComServer(Journal& journal, const String& path) {
  const uint32_t code = RunSystemTool(u"regsvr32.exe", u"/s", path);
  if (code == 0) return LogOk(journal);
  // Its own folder first for the libraries it needs, as regsvr32 would.
  HMODULE module = LoadLibraryExW(Wide(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  auto entry = module ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                            reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")))
                      : nullptr;
  if (entry) entry();
  if (module) FreeLibrary(module);
  if (entry) return LogOk(journal);
  LogFailedCode(journal, static_cast<int32_t>(code));
}

bool RegisterTypeLibrary(const SystemLibrary& oleaut, const String& path) {
  using LoadFn = HRESULT(STDAPICALLTYPE*)(LPCOLESTR, ITypeLib**);
  using RegisterFn = HRESULT(STDAPICALLTYPE*)(ITypeLib*, LPCOLESTR, LPCOLESTR);
  const LoadFn load = oleaut.Get<LoadFn>("LoadTypeLib");
  const RegisterFn reg = oleaut.Get<RegisterFn>("RegisterTypeLib");
  if (!load || !reg) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  ITypeLib* library = nullptr;
  HRESULT result = load(Wide(path), &library);
  if (SUCCEEDED(result)) {
    result = reg(library, Wide(path), nullptr);
    library->Release();
  }
  if (SUCCEEDED(result)) return true;
  SetLastError(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result));
  return false;
}

void ReportCrash(Journal& journal, const char16_t* what, const String& path) {
  LogText(journal, "CRASHED!\r\n");
  const String name = LastPathComponent(path);
  AddFailureFormatW(journal, u"Crashed while registering %s file %s\r\n", what, name.w_str());
}

using CopyOemInfFn = BOOL(WINAPI*)(PCWSTR, PCWSTR, DWORD, DWORD, PWSTR, DWORD, PDWORD, PWSTR*);

void InstallInfDriver(CopyOemInfFn copy, const String& path, const ComponentProgress& progress) {
  Journal& journal = *progress.journal;
  ShowItem(progress, path);
  LogItem(journal, u"Installing driver \"", path);
  wchar_t final_path[MAX_PATH] = {};
  if (copy(Wide(path), nullptr, kSpostPath, 0, final_path, MAX_PATH, nullptr, nullptr)) {
    if (final_path[0] == 0) return LogText(journal, "OK, but resulting filepath is unknown\r\n");
    LogFormatW(journal, u"OK\r\nFinal driver location: %s\r\n", reinterpret_cast<const char16_t*>(final_path));
    RecordInfDriver(journal.records, reinterpret_cast<const char16_t*>(final_path));
    return;
  }
  const uint32_t error = GetLastError();
  String text = SystemErrorTextW(error);
  if (text.empty() && error == kUnsignedInf) text = String(u"The INF does not contain digital signature information.");
  LogFormatW(journal, u"FAILED!  Code 0x%08X: %s\r\n", error, text.w_str());
}

uint32_t RunMsi(const MsiRequest& request, HWND parent) {
  SystemLibrary msi(L"msi.dll");
  using SetUiFn = int(WINAPI*)(int, HWND*);
  using InstallFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR);
  const InstallFn install = msi.Get<InstallFn>("MsiInstallProductW");
  if (!install) return kMsiMissing;
  if (const SetUiFn set_ui = msi.Get<SetUiFn>("MsiSetInternalUI")) {
    set_ui(static_cast<int>(request.option), parent ? &parent : nullptr);
  }
  return install(Wide(request.path), L"REBOOT=R");
}

bool SetKeyDefault(RegRoot root, const String& subkey, const String& text, RegView view) {
  RegistryKey key;
  return key.Open(root, subkey.w_str(), kRegNoStack, kRegWriteAccess, view) != RegistryKey::kFailed &&
         key.WriteText(u"", text, 0);
}

}  // namespace

void RegisterComServers(const Array<String>& paths, const ComponentProgress& progress) {
  Journal& journal = *progress.journal;
  for (int32_t i = 0; i < paths.Count(); ++i) {
    const String& path = paths[i];
    LogItem(journal, u"Registering COM File \"", path);
    ShowItem(progress, path);
    auto work = [&journal, &path]() { RegisterComServer(journal, path); };
    if (!RunActionGuarded(work)) ReportCrash(journal, u"COM", path);
  }
}

void RegisterTypeLibraries(const Array<String>& paths, const ComponentProgress& progress) {
  if (paths.Count() == 0) return;
  Journal& journal = *progress.journal;
  SystemLibrary oleaut(L"oleaut32.dll");
  for (int32_t i = 0; i < paths.Count(); ++i) {
    const String& path = paths[i];
    LogItem(journal, u"Registering Type Library \"", path);
    ShowItem(progress, path);
    bool ok = false;
    auto work = [&]() { ok = RegisterTypeLibrary(oleaut, path); };
    if (!RunActionGuarded(work)) {
      ReportCrash(journal, u"TLB", path);
    } else if (ok) {
      LogOk(journal);
    } else {
      const String reason = LastErrorTextW();
      LogFailed(journal);
      LogFormatW(journal, u"%s\r\n", reason.w_str());
    }
  }
}

void InstallInfDrivers(const Array<String>& paths, const ComponentProgress& progress) {
  if (paths.Count() == 0) return;
  Journal& journal = *progress.journal;
  SystemLibrary setupapi(L"setupapi.dll");
  if (!setupapi.loaded()) return LogText(journal, "Cannot install INF files...unable to open Setupapi.dll\r\n");
  const CopyOemInfFn copy = setupapi.Get<CopyOemInfFn>("SetupCopyOEMInfW");
  if (!copy) return LogText(journal, "Cannot install INF files...unable to link to SetupCopyOEMInf()\r\n");
  LogText(journal, "\r\n");
  for (int32_t i = 0; i < paths.Count(); ++i) {
    const String& path = paths[i];
    auto work = [&]() { InstallInfDriver(copy, path, progress); };
    if (!RunActionGuarded(work)) LogText(journal, "CRASHED!\r\n");
  }
}

uint32_t InstallMsiPackage(const MsiRequest& request, const ComponentProgress& progress, void* parent) {
  Journal& journal = *progress.journal;
  String line(u"Installing MSI package \"");
  line.Append(request.path);
  line.AppendW(u"\"...");
  ShowItem(progress, request.path);
  uint32_t result = kCrashCode;
  auto work = [&]() { result = RunMsi(request, static_cast<HWND>(parent)); };
  RunActionGuarded(work);
  if (result == 0) {
    line.AppendW(u"OK\r\n");
    if (request.remember) RecordMsiPackage(journal.records, request.path.w_str(), static_cast<int32_t>(request.option));
  } else {
    const String reason = SystemErrorTextW(result);
    line.Append(FormatW(u"FAILED code %u: %s\r\n", result, reason.w_str()));
    AddFailureW(journal, line.w_str());
  }
  LogTextW(journal, line);
  return result;
}

bool RegisterControlPanelApplet(const ControlPanelRequest& request, const ComponentProgress& progress) {
  Journal& journal = *progress.journal;
  ReportProgress(progress.progress, kRegistrationProgress,
                 FontStatusText(progress.item_status,
                                FormatW(u"Control Panel extension \"%s\"", request.display_name.w_str())));
  LogItem(journal, u"Registering control panel applet \"", request.display_name);
  // The 64-bit view, which the control panel of 64-bit Windows reads and the
  // uninstall records name.
  String clsid_key(u"Software\\Classes\\CLSID\\");
  clsid_key.Append(request.class_id);
  String name_space(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\");
  name_space.Append(request.class_id);
  String command(u"\"");
  command.Append(request.path);
  command.AppendW(u"\"");
  if (!request.arguments.empty()) {
    command.AppendW(u" ");
    command.Append(request.arguments);
  }
  bool ok = SetKeyDefault(RegRoot::kLocalMachine, clsid_key, request.display_name, RegView::k64);
  AddUninstallRecordW(journal.records, RegPathText(RegRoot::kLocalMachine, clsid_key.w_str()), kRecordRegistryKey64);
  String icon_key = clsid_key;
  icon_key.AppendW(u"\\DefaultIcon");
  String command_key = clsid_key;
  command_key.AppendW(u"\\Shell\\Open\\Command");
  ok = ok && SetKeyDefault(RegRoot::kLocalMachine, icon_key, request.path, RegView::k64) &&
       SetKeyDefault(RegRoot::kLocalMachine, command_key, command, RegView::k64) &&
       SetKeyDefault(RegRoot::kLocalMachine, name_space, request.display_name, RegView::k64);
  if (ok) AddUninstallRecordW(journal.records, RegPathText(RegRoot::kLocalMachine, name_space.w_str()), kRecordRegistryKey64);
  if (ok) {
    LogOk(journal);
  } else {
    const String reason = LastErrorTextW();
    LogFailedBang(journal);
    LogFormatW(journal, u"%s\r\n\r\n", reason.w_str());
  }
  return ok;
}
