#include "crash/crash_report.h"

#include <cstdlib>

#include "core/format.h"

namespace {

struct ExceptionText {
  uint32_t code;
  const char* text;
};

// Searched in order; the first row with the code wins.
constexpr ExceptionText kExceptionTexts[] = {
    {0xC0000005, "Illegal memory access."},
    {0xC000008C, "Array element is out of bounds."},
    {0x80000003, "Breakpoint encountered."},
    {0x80000002, "Misaligned memory access."},
    {0xC000008D, "One of the operands in a floating-point operation is denormal (too small to represent)."},
    {0xC000008E, "Floating-point division by zero."},
    {0xC000008F, "Floating-point operation cannot be represented exactly as a decimal fraction."},
    {0xC0000090, "Invalid floating point operation."},
    {0xC0000091,
     "The exponent of a floating-point operation is greater than the magnitude allowed by the corresponding type."},
    {0xC0000092, "The stack overflowed or underflowed as the result of a floating-point operation."},
    {0xC0000093,
     "The exponent of a floating-point operation is less than the magnitude allowed by the corresponding type."},
    {0xC000001D, "Invalid instruction executed."},
    {0xC0000006, "Failed to load page into physical memory."},
    {0xC0000094, "Integer divide by zero."},
    {0xC0000095, "Integer overflow."},
    {0xC0000026, "An exception handler returned an invalid disposition."},
    {0xC0000025, "Cannot continue after a noncontinuable exception occurred."},
    {0xC0000096, "Attempt to execute a privileged instruction."},
    {0x80000004, "Single step."},
    {0xC00000FD, "Stack overflow."},
    {0xC000013A, "Ctrl+C pressed."},
    {0x80000001, "Memory Allocated as PAGE_GUARD by VirtualAlloc() was accessed."},
    {0xC0000017,
     "Called by HeapAlloc() if you specify HEAP_GENERATE_EXCEPTIONS and there is no memory or heap corruption."},
    {0xC015000F, "The activation context being deactivated is not the most recently activated one."},
    {0xE06D7363, "Visual C++ structured exception handling."},
};
static_assert(sizeof kExceptionTexts / sizeof kExceptionTexts[0] == 25, "the table has 25 rows");

const char* Plural(int64_t n) { return n == 1 ? "" : "s"; }

void AppendHexLine(String& out, const char* label, uint32_t value) { AppendFormat(out, "%s%08X\r\n", label, value); }

void AppendRegisters(String& out, const CrashRegisters& r) {
  AppendFormat(out, "\r\nCPU Registers:\r\nFlags: %08X", r.flags);
  const struct {
    const char* label;
    uint32_t value;
  } rows[] = {{"EAX", r.eax}, {"EBX", r.ebx}, {"ECX", r.ecx}, {"EDX", r.edx}, {"EDI", r.edi},
              {"ESI", r.esi}, {"EIP", r.eip}, {"EBP", r.ebp}, {"ESP", r.esp}, {" CS", r.cs},
              {" DS", r.ds},  {" ES", r.es},  {" FS", r.fs},  {" GS", r.gs},  {" SS", r.ss}};
  for (const auto& row : rows) AppendFormat(out, "\r\n  %s: %08X", row.label, row.value);
}

void AppendModules(String& out, const Vector<CrashModule>& modules) {
  out.Append("\r\n\r\nModules:\r\n");
  for (int32_t i = 0; i < modules.Count(); ++i) {
    const CrashModule& m = modules[i];
    AppendFormat(out, "%08X %08X ", m.base, m.base + m.size - 1);
    out.Append(m.path);
    out.Append("\r\n");
  }
}

void AppendSystemLines(String& out, const CrashFacts& f) {
  out.Append("OS: ");
  out.Append(f.os);
  out.Append("\r\nIE: ");
  out.Append(f.ie_version);
  out.Append("\r\n");
  if (!f.office_version.empty()) {
    AppendFormat(out, "Office: %s (%s)\r\n", f.office_version.c_str(),
                 OfficeReleaseName(static_cast<int>(std::strtol(f.office_version.c_str(), nullptr, 10))));
  }
  out.Append("Language: ");
  out.Append(f.language);
  AppendFormat(out, "\r\nLocale: 0x%X  Codepage: %u\r\n", f.locale, f.codepage);
}

}  // namespace

const char* ExceptionDescription(uint32_t code) {
  for (const ExceptionText& row : kExceptionTexts) {
    if (row.code == code) return row.text;
  }
  return "";
}

bool IsExceptionLeftAlone(uint32_t code) {
  return code == kBreakpoint || code == kSingleStep || code == kNoncontinuable || code == kCxxException;
}

const char* OfficeReleaseName(int major) {
  switch (major) {
    case 7: return "97";
    case 8: return "98";
    case 9: return "2000";
    case 10: return "XP";
    case 11: return "2003";
    case 12: return "2007";
    case 14: return "2010";
    case 15: return "2013";
    case 16: return "2016";
    default: return "";
  }
}

String FormatProcessAge(int64_t s) {
  if (s <= 99) return Format("%d seconds", static_cast<int>(s));
  if (s < 3600) return Format("%lld minute%s, %lld second%s", s / 60, Plural(s / 60), s % 60, Plural(s % 60));
  if (s < 86400) {
    return Format("%lld hour%s, %lld minute%s", s / 3600, Plural(s / 3600), s / 60 % 60, Plural(s / 60 % 60));
  }
  return Format("%lld day%s, %lld hour%s", s / 86400, Plural(s / 86400), s / 3600 % 24, Plural(s / 3600 % 24));
}

String FormatProcessorTime(int64_t ms) {
  if (ms < 1000) return Format("%lld millisecond%s", ms, Plural(ms));
  if (ms < 100000) return Format("%.1f seconds", static_cast<double>(ms) / 1000.0);
  const int64_t s = ms / 1000;
  if (s < 3600) return Format("%lld minute%s, %lld seconds", s / 60, Plural(s / 60), s % 60);
  if (s < 86400) return Format("%lld hour%s, %lld minutes", s / 3600, Plural(s / 3600), s / 60 % 60);
  return Format("%lld day%s, %lld hours", s / 86400, Plural(s / 86400), s / 3600 % 24);
}

const CrashModule* ModuleHolding(const Vector<CrashModule>& modules, uint32_t address) {
  for (int32_t i = 0; i < modules.Count(); ++i) {
    const CrashModule& m = modules[i];
    if (address >= m.base && address - m.base < m.size) return &m;
  }
  return nullptr;
}

String BuildCrashReport(const CrashFacts& f) {
  String out("Exception: ");
  out.Append(ExceptionDescription(f.code));
  out.Append("\r\nProduct: ");
  out.Append(f.program);
  AppendFormat(out, "\r\nException code: %08X\r\nAddress: %08X\r\n", f.code, f.address);
  if (f.has_modules) {
    // Only a fault inside a listed module names one.
    if (const CrashModule* m = ModuleHolding(f.modules, f.address)) {
      out.Append("Module: ");
      out.Append(m->path);
      out.Append("\r\n");
    }
  }
  if (f.code == kAccessViolation) {
    AppendFormat(out, "Read/write: %s\r\n", f.write ? "write" : "read");
    AppendHexLine(out, "Memory address: ", f.memory_address);
  }
  AppendFormat(out, "Thread ID: %u  Main Thread: %u\r\n", f.thread_id, f.main_thread_id);
  if (f.has_times) {
    out.Append("Process/kernel/user time: ");
    out.Append(FormatProcessAge(f.age_seconds));
    out.Append(" / ");
    out.Append(FormatProcessorTime(f.kernel_ms));
    out.Append(" / ");
    out.Append(FormatProcessorTime(f.user_ms));
    out.Append("\r\n");
  }
  AppendSystemLines(out, f);
  if (f.out_of_memory) out.Append("A previous out-of-memory condition occurred.\r\n");
  if (!f.command_line.empty()) {
    out.Append("Command line: ");
    out.Append(f.command_line);
    out.Append("\r\n");
  }
  AppendRegisters(out, f.registers);
  if (f.has_modules) AppendModules(out, f.modules);
  out.Append("\r\nCall Stack:\r\n");
  out.Append(f.call_stack);
  return out;
}
