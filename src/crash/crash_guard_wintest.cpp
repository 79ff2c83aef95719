// The crash guard under Wine: a fault inside the work ends only the work, the
// thread goes on, and the guard leaves the thread's handler chain as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include "crash/crash_guard.h"
#include "testkit/wait.h"

namespace {

struct Work {
  int done = 0;
  int depth = 0;
};

void Completes(void* w) { static_cast<Work*>(w)->done = 1; }

void WritesThroughNull(void*) { *static_cast<int volatile*>(nullptr) = 1; }

void DividesByZero(void* w) {
  volatile int zero = 0;
  static_cast<Work*>(w)->done = 10 / zero;
}

void RaisesForeignException(void*) { RaiseException(0xE06D7363, 0, 0, nullptr); }

// The foreign code handles its own fault: the outer guard must not see it.
void GuardsItself(void* w) {
  if (RunGuarded(&WritesThroughNull, nullptr) == GuardResult::kCrashed) static_cast<Work*>(w)->done = 2;
}

__attribute__((noinline)) int Recurse(volatile int* depth) {
  volatile char pad[512];
  pad[0] = static_cast<char>(*depth);
  *depth = *depth + 1;
  // Bounded far beyond any stack, so that the compiler sees an end.
  return *depth < 100000000 ? Recurse(depth) + pad[0] : 0;
}

void OverflowsTheStack(void* w) { Recurse(&static_cast<Work*>(w)->depth); }

struct Outcome {
  GuardResult result = GuardResult::kCompleted;
  Work work;
};

// Two overflows one after the other: the second finds the stack's guard page
// in place again, so it is caught as the first was instead of running off the
// stack's end.
DWORD WINAPI OverflowTwiceInGuard(void* o) {
  auto* out = static_cast<Outcome*>(o);
  for (int i = 0; i < 2; ++i) {
    out[i].result = RunGuarded(&OverflowsTheStack, &out[i].work);
  }
  return 7;
}

void* HandlerChain() {
  void* head;
  __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
  return head;
}

TEST(CrashGuard, EndsOnlyTheFaultingWork) {
  const struct {
    const char* name;
    void (*work)(void*);
    GuardResult result;
    int done;
  } cases[] = {
      {"completes", &Completes, GuardResult::kCompleted, 1},
      {"write through null", &WritesThroughNull, GuardResult::kCrashed, 0},
      {"integer division by zero", &DividesByZero, GuardResult::kCrashed, 0},
      {"foreign language exception", &RaisesForeignException, GuardResult::kCrashed, 0},
      {"inner guard catches", &GuardsItself, GuardResult::kCompleted, 2},
  };
  void* const chain = HandlerChain();
  for (int round = 0; round < 2; ++round) {  // a guard works again after a crash
    for (const auto& c : cases) {
      Work work;
      EXPECT_EQ(RunGuarded(c.work, &work), c.result) << c.name;
      EXPECT_EQ(work.done, c.done) << c.name;
      EXPECT_EQ(HandlerChain(), chain) << c.name;
    }
  }
}

TEST(CrashGuard, CatchesStackOverflowsOnAThreadOfItsOwn) {
  // A thread of its own: the overflow uses up the stack's guard page.
  Outcome outcome[2];
  HANDLE thread = CreateThread(nullptr, 256 * 1024, &OverflowTwiceInGuard, outcome, STACK_SIZE_PARAM_IS_A_RESERVATION,
                               nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, testkit::kHangTimeoutMs), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(code, 7u);  // the thread went on after the guard
  for (const Outcome& o : outcome) {
    EXPECT_EQ(o.result, GuardResult::kCrashed);
    EXPECT_GT(o.work.depth, 100);
  }
  // The room the second overflow had is the room the first had, give or take
  // the few pages the handlers used: the guard page went back near the top.
  EXPECT_GT(outcome[1].work.depth, outcome[0].work.depth * 3 / 4);
}

}  // namespace
