#include "crash/crash_facts_win.h"

#include <windows.h>
#include <dbghelp.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include "core/codepage.h"
#include "core/fatal.h"
#include "core/format.h"
#include "core/os_name.h"
#include "core/system_library_win.h"
#include "crash/crash_guard.h"

namespace {

constexpr int kMaxStackFrames = 100;
constexpr DWORD kMaxSymbolName = 2000;

int64_t FileTimeMs(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<int64_t>(v.QuadPart / 10000);
}

void ReadTimes(CrashFacts& f) {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
  GetSystemTimeAsFileTime(&now);
  f.has_times = true;
  f.age_seconds = (FileTimeMs(now) - FileTimeMs(created)) / 1000;
  f.kernel_ms = FileTimeMs(kernel);
  f.user_ms = FileTimeMs(user);
}

String RegistryText(HKEY root, const char* key, const char* value) {
  HKEY opened;
  if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return String();
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  const LONG status = RegQueryValueExA(opened, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS || type != REG_SZ) return String();
  return String(buffer);
}

void ReadSystem(CrashFacts& f) {
  f.os = OSNameA(0);
  f.ie_version = RegistryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "svcVersion");
  if (f.ie_version.empty()) {
    f.ie_version = RegistryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "Version");
  }
  const String word = RegistryText(HKEY_CLASSES_ROOT, "Word.Application\\CurVer", nullptr);
  const int32_t dot = word.FindLast('.');
  if (dot >= 0 && dot + 1 < word.length()) f.office_version = String(word.c_str() + dot + 1);
  char language[128] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLANGUAGE, language, sizeof language)) f.language = language;
  f.locale = GetUserDefaultLCID();
  f.codepage = GetACP();
  f.out_of_memory = OutOfMemoryOccurred();
  f.command_line = GetCommandLineA();
}

void ReadRegisters(const CONTEXT& c, CrashRegisters& r) {
  r = {c.EFlags, c.Eax, c.Ebx, c.Ecx, c.Edx, c.Edi, c.Esi, c.Eip, c.Ebp, c.Esp,
       c.SegCs, c.SegDs, c.SegEs, c.SegFs, c.SegGs, c.SegSs};
}

void ModulesFromToolHelp(void* facts) {
  auto& modules = static_cast<CrashFacts*>(facts)->modules;
  auto snapshot_of = LoadedSystemFunction<decltype(&CreateToolhelp32Snapshot)>(L"kernel32.dll",
                                                                                "CreateToolhelp32Snapshot");
  auto first = LoadedSystemFunction<decltype(&Module32First)>(L"kernel32.dll", "Module32FirstW");
  auto next = LoadedSystemFunction<decltype(&Module32Next)>(L"kernel32.dll", "Module32NextW");
  if (!snapshot_of || !first || !next) return;
  HANDLE snapshot = snapshot_of(TH32CS_SNAPMODULE, GetCurrentProcessId());
  if (snapshot == INVALID_HANDLE_VALUE) return;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = first(snapshot, &entry); more; more = next(snapshot, &entry)) {
    modules.Add(CrashModule{Utf16ToAnsi(reinterpret_cast<const char16_t*>(entry.szExePath)), reinterpret_cast<uint32_t>(entry.modBaseAddr),
                            entry.modBaseSize});
  }
  CloseHandle(snapshot);
}

void ModulesFromPsapi(void* facts) {
  auto& modules = static_cast<CrashFacts*>(facts)->modules;
  SystemLibrary psapi(L"psapi.dll");
  auto enumerate = psapi.Get<decltype(&EnumProcessModules)>("EnumProcessModules");
  auto file_name = psapi.Get<decltype(&GetModuleFileNameExA)>("GetModuleFileNameExA");
  auto information = psapi.Get<decltype(&GetModuleInformation)>("GetModuleInformation");
  if (!enumerate || !file_name || !information) return;
  HMODULE handles[512];
  DWORD needed = 0;
  if (!enumerate(GetCurrentProcess(), handles, sizeof handles, &needed)) return;
  const DWORD count = needed / sizeof(HMODULE) < 512 ? needed / sizeof(HMODULE) : 512;
  for (DWORD i = 0; i < count; ++i) {
    char path[MAX_PATH] = {};
    MODULEINFO info = {};
    if (!file_name(GetCurrentProcess(), handles[i], path, MAX_PATH)) continue;
    if (!information(GetCurrentProcess(), handles[i], &info, sizeof info)) continue;
    modules.Add(CrashModule{String(path), reinterpret_cast<uint32_t>(info.lpBaseOfDll), info.SizeOfImage});
  }
}

// The loader's own list, read in this process without the system's help:
// the last resort where the system cannot read our memory for us (Wine run
// through an emulator refuses both tool help and psapi).
void ModulesFromLoaderList(void* facts) {
  auto& modules = static_cast<CrashFacts*>(facts)->modules;
  const PEB* peb;
  __asm__ __volatile__("movl %%fs:0x30, %0" : "=r"(peb));
  if (!peb || !peb->Ldr) return;
  const LIST_ENTRY* head = &peb->Ldr->InMemoryOrderModuleList;
  int guard = 0;
  for (const LIST_ENTRY* link = head->Flink; link && link != head && guard < 1024; link = link->Flink, ++guard) {
    const auto* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
    const auto size = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(entry->Reserved3[1]));  // SizeOfImage
    const UNICODE_STRING& name = entry->FullDllName;
    modules.Add(CrashModule{Utf16ToAnsi(reinterpret_cast<const char16_t*>(name.Buffer), name.Length / 2),
                            reinterpret_cast<uint32_t>(entry->DllBase), size});
  }
}

void ReadModules(CrashFacts& f) {
  // A damaged loader list may fault while it is walked: the guard keeps the report.
  for (void (*source)(void*) : {&ModulesFromToolHelp, &ModulesFromPsapi, &ModulesFromLoaderList}) {
    if (RunGuarded(source, &f) == GuardResult::kCrashed) f.modules = Vector<CrashModule>();
    if (!f.modules.IsEmpty()) break;
  }
  f.has_modules = !f.modules.IsEmpty();
}

struct StackWalkInput {
  CONTEXT context;
  CrashFacts* facts;
};

String UpperModulePath(const CrashFacts& f, uint32_t address) {
  const CrashModule* m = ModuleHolding(f.modules, address);
  String path = m ? m->path : String();
  CharUpperBuffA(path.data() ? reinterpret_cast<char*>(path.data()) : nullptr, static_cast<DWORD>(path.length()));
  return path;
}

// The walk reads this process's own memory directly: the same answer as the
// system's reader, without a round trip that an emulated Wine refuses.
BOOL CALLBACK ReadOwnMemory(HANDLE, DWORD64 address, void* buffer, DWORD size, DWORD* read) {
  const void* source = reinterpret_cast<const void*>(static_cast<uintptr_t>(address));
  if (IsBadReadPtr(source, size)) return FALSE;
  CopyMemory(buffer, source, size);
  if (read) *read = size;
  return TRUE;
}

// The walk's callbacks take no context of their own.
const CrashFacts* g_walk_facts = nullptr;
decltype(&SymGetModuleBase64) g_system_module_base = nullptr;

DWORD64 CALLBACK ModuleBaseOf(HANDLE process, DWORD64 address) {
  if (const CrashModule* m = ModuleHolding(g_walk_facts->modules, static_cast<uint32_t>(address))) return m->base;
  return g_system_module_base(process, address);
}

// Walks with DBGHELP.DLL from the system folder; without it the stack stays empty.
void WalkStack(void* input_pointer) {
  auto& input = *static_cast<StackWalkInput*>(input_pointer);
  CrashFacts& f = *input.facts;
  static SystemLibrary dbghelp(L"dbghelp.dll");
  auto from_address = dbghelp.Get<decltype(&SymFromAddr)>("SymFromAddr");
  auto initialize = dbghelp.Get<decltype(&SymInitialize)>("SymInitialize");
  auto walk = dbghelp.Get<decltype(&StackWalk64)>("StackWalk64");
  auto table_access = dbghelp.Get<decltype(&SymFunctionTableAccess64)>("SymFunctionTableAccess64");
  auto module_base = dbghelp.Get<decltype(&SymGetModuleBase64)>("SymGetModuleBase64");
  if (!from_address || !initialize || !walk || !table_access || !module_base) return;
  HANDLE process = GetCurrentProcess();
  initialize(process, nullptr, TRUE);
  g_walk_facts = &f;
  g_system_module_base = module_base;
  CONTEXT& c = input.context;
  if (c.Eip == 0 && !IsBadReadPtr(reinterpret_cast<void*>(c.Ebp), 8)) {
    // A call through a null pointer: start from the caller the frame names.
    const DWORD* frame = reinterpret_cast<const DWORD*>(c.Ebp);
    c.Eip = frame[1];
    c.Ebp = frame[0];
  }
  STACKFRAME64 frame = {};
  frame.AddrPC.Offset = c.Eip;
  frame.AddrPC.Mode = AddrModeFlat;
  frame.AddrFrame.Offset = c.Ebp;
  frame.AddrFrame.Mode = AddrModeFlat;
  frame.AddrStack.Offset = c.Esp;
  frame.AddrStack.Mode = AddrModeFlat;
  alignas(8) char symbol_space[sizeof(SYMBOL_INFO) + kMaxSymbolName];
  for (int i = 0; i < kMaxStackFrames; ++i) {
    if (!walk(IMAGE_FILE_MACHINE_I386, process, GetCurrentThread(), &frame, &c, &ReadOwnMemory, table_access,
              &ModuleBaseOf, nullptr)) {
      break;
    }
    if (frame.AddrPC.Offset == 0 || frame.AddrFrame.Offset == 0) break;
    const auto pc = static_cast<uint32_t>(frame.AddrPC.Offset);
    AppendFormat(f.call_stack, "%08X %08X ", static_cast<uint32_t>(frame.AddrFrame.Offset), pc);
    f.call_stack.Append(UpperModulePath(f, pc));
    auto* symbol = reinterpret_cast<SYMBOL_INFO*>(symbol_space);
    ZeroMemory(symbol, sizeof(SYMBOL_INFO));
    symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
    symbol->MaxNameLen = kMaxSymbolName;
    DWORD64 displacement = 0;
    if (from_address(process, frame.AddrPC.Offset, &displacement, symbol)) {
      f.call_stack.Append(' ');
      f.call_stack.Append(symbol->Name, static_cast<int32_t>(strnlen(symbol->Name, kMaxSymbolName)));
    }
    f.call_stack.Append("\r\n");
  }
}

}  // namespace

CrashFacts GatherCrashFacts(const CrashRecord& record, const String& program) {
  CrashFacts f;
  f.code = record.code;
  f.address = record.address;
  f.write = record.write != 0;
  f.memory_address = record.memory_address;
  f.program = program;
  f.thread_id = GetCurrentThreadId();
  f.main_thread_id = MainThreadId();
  ReadTimes(f);
  ReadSystem(f);
  ReadRegisters(record.context, f.registers);
  ReadModules(f);
  StackWalkInput input{record.context, &f};
  // A walk that strays into garbage ends there; the frames found so far stay.
  RunGuarded(&WalkStack, &input);
  return f;
}
