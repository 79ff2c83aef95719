// The crash report: the plain 8-bit text that says what happened, where, on
// which system, with the registers, the modules and the call stack. The facts
// are gathered on Windows (crash_facts_win.cpp); the text is built here so
// that its lines can be checked on their own.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

inline constexpr uint32_t kAccessViolation = 0xC0000005;
inline constexpr uint32_t kStackOverflow = 0xC00000FD;
inline constexpr uint32_t kBreakpoint = 0x80000003;
inline constexpr uint32_t kSingleStep = 0x80000004;
inline constexpr uint32_t kNoncontinuable = 0xC0000025;
inline constexpr uint32_t kCxxException = 0xE06D7363;

// The program line of the report and of the post's subject.
inline constexpr char kReportProgramVersion[] = "37.0";
inline constexpr char kReportEdition[] = "Win32";

// The exception's description, or "" for a code not in the table.
const char* ExceptionDescription(uint32_t code);

// Whether the filter leaves the exception to others (debugger events, the
// language run-time's own exceptions).
bool IsExceptionLeftAlone(uint32_t code);

struct CrashRegisters {
  uint32_t flags = 0, eax = 0, ebx = 0, ecx = 0, edx = 0, edi = 0, esi = 0, eip = 0, ebp = 0, esp = 0;
  uint32_t cs = 0, ds = 0, es = 0, fs = 0, gs = 0, ss = 0;
};

struct CrashModule {
  String path;  // 8-bit, full path
  uint32_t base = 0;
  uint32_t size = 0;
};

// Everything the report says; what could not be found stays empty.
struct CrashFacts {
  uint32_t code = 0;
  uint32_t address = 0;
  bool write = false;            // access violations only
  uint32_t memory_address = 0;   // access violations only
  String program;                // "name version edition"
  uint32_t thread_id = 0;
  uint32_t main_thread_id = 0;
  bool has_times = false;
  int64_t age_seconds = 0;
  int64_t kernel_ms = 0;
  int64_t user_ms = 0;
  String os;
  String ie_version;
  String office_version;         // the number after Word's last '.', or ""
  String language;
  uint32_t locale = 0;
  uint32_t codepage = 0;
  bool out_of_memory = false;
  String command_line;
  CrashRegisters registers;
  bool has_modules = false;
  Vector<CrashModule> modules;
  String call_stack;             // lines ending in CR LF
};

// "97", "2000", ... for an Office major version, "" when unknown.
const char* OfficeReleaseName(int major);

// The process age in whole seconds and a processor time in milliseconds, in
// the report's words ("2 minutes, 1 second", "12.5 seconds").
String FormatProcessAge(int64_t seconds);
String FormatProcessorTime(int64_t ms);

// The module whose range holds `address`, or null.
const CrashModule* ModuleHolding(const Vector<CrashModule>& modules, uint32_t address);

String BuildCrashReport(const CrashFacts& facts);
