#include "crash/exception_filter_win.h"

#include <atomic>

#include "core/quiet_threads.h"
#include "crash/crash_report.h"

namespace {

// Room given back to a thread whose stack overflowed, so that the report
// can be made on it.
constexpr DWORD kStackOverflowRoom = 0x20000;

CrashCallback g_callback = nullptr;
DWORD g_main_thread_id = 0;
// Set while the callback runs: a fault inside it is left to the system.
std::atomic<bool> g_running{false};
// The record lives here rather than on a stack that may be about to be reused.
CrashRecord g_record;
bool g_callback_result = false;

void FillRecord(const EXCEPTION_POINTERS& info, CrashRecord& record) {
  const EXCEPTION_RECORD& e = *info.ExceptionRecord;
  record.code = e.ExceptionCode;
  record.address = reinterpret_cast<uint32_t>(e.ExceptionAddress);
  record.continuable = (e.ExceptionFlags & EXCEPTION_NONCONTINUABLE) ? 0 : 1;
  record.write = 0;
  record.memory_address = 0;
  if (e.ExceptionCode == kAccessViolation) {
    if (e.NumberParameters >= 1) record.write = e.ExceptionInformation[0] == 1 ? 1 : 0;
    if (e.NumberParameters >= 2) record.memory_address = static_cast<uint32_t>(e.ExceptionInformation[1]);
  }
  if (info.ContextRecord) {
    record.context = *info.ContextRecord;
  } else {
    ZeroMemory(&record.context, sizeof record.context);
  }
}

void CallCallback() { g_callback_result = g_callback(g_record); }

// Ends the process from the stack given back to the thread: the overflowed
// stack has no room left even for the call that ends it.
void CallCallbackAndEnd() {
  CallCallback();
  TerminateProcess(GetCurrentProcess(), 0);
}

// Calls CallCallbackAndEnd with the stack pointer at `stack`; the faulting
// thread's overflowed frames above it are dead.
__attribute__((noinline)) void CallOnStack(DWORD stack) {
  __asm__ __volatile__(
      "movl %%esp, %%esi\n\t"
      "movl %0, %%esp\n\t"
      "call *%1\n\t"
      "movl %%esi, %%esp\n\t"
      :
      : "r"(stack), "r"(&CallCallbackAndEnd)
      : "esi", "eax", "ecx", "edx", "memory", "cc");
}

// Moves back up the thread's stack by kStackOverflowRoom, staying below its base.
DWORD StackWithRoom() {
  DWORD here;
  __asm__ __volatile__("movl %%esp, %0" : "=r"(here));
  DWORD base;  // the thread information block's StackBase
  __asm__ __volatile__("movl %%fs:4, %0" : "=r"(base));
  const DWORD top = base - 0x1000;
  DWORD stack = here + kStackOverflowRoom;
  if (stack > top || stack < here) stack = top;
  return stack & ~static_cast<DWORD>(15);
}

LONG WINAPI ExceptionFilter(EXCEPTION_POINTERS* info) {
  if (info == nullptr || info->ExceptionRecord == nullptr) return EXCEPTION_CONTINUE_SEARCH;
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (IsExceptionLeftAlone(code)) return EXCEPTION_CONTINUE_SEARCH;
  if (IsQuietThread(GetCurrentThreadId())) return EXCEPTION_EXECUTE_HANDLER;
  if (g_callback == nullptr || g_running.exchange(true)) return EXCEPTION_CONTINUE_SEARCH;
  FillRecord(*info, g_record);
  if (code == kStackOverflow) {
    CallOnStack(StackWithRoom());
    __builtin_unreachable();  // the process ended on the stack given back
  }
  CallCallback();
  g_running = false;
  return g_callback_result ? EXCEPTION_EXECUTE_HANDLER : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER InstallExceptionFilter(CrashCallback callback) {
  g_callback = callback;
  g_main_thread_id = GetCurrentThreadId();
  return SetUnhandledExceptionFilter(&ExceptionFilter);
}

uint32_t MainThreadId() { return g_main_thread_id; }
