#include <windows.h>

#include <float.h>

#include "crash/crash_guard.h"

// GCC for 32-bit Windows has no __try/__except. A guard therefore links its
// own record into the thread's chain of exception handlers (fs:[0]), exactly
// where a __try block would: handlers of the foreign code run first, so an
// exception it handles itself never reaches us; one that nobody inside
// handles is caught here and the thread resumes at the guard's recovery
// point (a setjmp-style buffer of GCC's own, which saves nothing but the
// frame and stack pointers and so cannot be confused by the foreign frames).

namespace {

struct GuardFrame;
using HandlerFunction = EXCEPTION_DISPOSITION(__cdecl*)(EXCEPTION_RECORD*, void*, CONTEXT*, void*);

// The first two words are the system's registration record; the frame lives
// on the guarded caller's stack.
struct GuardFrame {
  GuardFrame* next;
  HandlerFunction handler;
  void* recovery[5];    // for __builtin_setjmp / __builtin_longjmp
  DWORD landing_stack;  // below the guard's own frame, in the work's dead stack
};

GuardFrame* ChainHead() {
  GuardFrame* head;
  __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetChainHead(GuardFrame* head) { __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory"); }

// A stack overflow uses up the stack's guard page, and the system makes no
// new one: the thread's next overflow would run off the end of its stack and
// end the process. The guard page goes back on the lowest committed page of
// the stack, where it was when the overflow began. Nothing when the stack
// still has its guard page or when that page would lie too close to the
// stack in use.
void RestoreStackGuardPage() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const DWORD page = system.dwPageSize;
  const DWORD here = reinterpret_cast<DWORD>(__builtin_frame_address(0));
  MEMORY_BASIC_INFORMATION region;
  if (VirtualQuery(reinterpret_cast<void*>(here), &region, sizeof region) == 0) return;
  const DWORD base = reinterpret_cast<DWORD>(region.AllocationBase);
  // The lowest page that may be used: the stack's first page stays untouched.
  DWORD lowest = base + page;
  for (DWORD address = base; address < here;) {
    if (VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) == 0) return;
    if (region.State == MEM_COMMIT && region.Protect != PAGE_NOACCESS) {
      if (region.Protect & PAGE_GUARD) return;
      lowest = address > lowest ? address : lowest;
      break;
    }
    address = reinterpret_cast<DWORD>(region.BaseAddress) + region.RegionSize;
  }
  // The handlers of this landing run below `here`: keep well clear of them.
  if (lowest + 8 * page > here) return;
  DWORD old = 0;
  if (!VirtualProtect(reinterpret_cast<void*>(lowest), page, PAGE_READWRITE | PAGE_GUARD, &old)) return;
  // The thread information block's StackLimit: the lowest usable address.
  const DWORD limit = lowest + page;
  __asm__ __volatile__("movl %0, %%fs:8" : : "r"(limit) : "memory");
}

// Entered in place of the faulting instruction with the frame in ECX; the
// stack pointer is a spot in the abandoned stack of the guarded work.
__attribute__((fastcall, noreturn, noinline, used)) void LandInGuard(GuardFrame* frame) {
  __builtin_longjmp(frame->recovery, 1);
}

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT* context, void*) {
  // Unwinding passes (another handler's target lies beyond us) are not ours.
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  auto* frame = static_cast<GuardFrame*>(establisher);
  context->Esp = frame->landing_stack;
  context->Ecx = reinterpret_cast<DWORD>(frame);
  context->Eip = reinterpret_cast<DWORD>(&LandInGuard);
  return ExceptionContinueExecution;
}

// Kept out of line so that the recovery buffer's frame stays this one.
__attribute__((noinline)) GuardResult Guard(void (*work)(void*), void* context) {
  GuardFrame frame;
  frame.next = ChainHead();
  frame.handler = &GuardHandler;
  if (__builtin_setjmp(frame.recovery) != 0) {
    // The records of the abandoned frames are dead: unlink them with ours.
    SetChainHead(frame.next);
    _fpreset();  // a floating-point fault may leave the unit's state behind
    // Every caught fault, not only the stack overflow's code: under an
    // emulator an overflow may arrive as an access violation.
    RestoreStackGuardPage();
    return GuardResult::kCrashed;
  }
  // LandInGuard runs a little below this frame's stack pointer: committed
  // memory (the work ran there), far from a stack overflow's end, and above
  // nothing that is still needed.
  DWORD stack;
  __asm__ __volatile__("movl %%esp, %0" : "=r"(stack));
  frame.landing_stack = (stack - 256) & ~static_cast<DWORD>(15);
  SetChainHead(&frame);
  work(context);
  SetChainHead(frame.next);
  return GuardResult::kCompleted;
}

}  // namespace

GuardResult RunGuarded(void (*work)(void* context), void* context) { return Guard(work, context); }
