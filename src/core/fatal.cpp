#include "core/fatal.h"

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/fatal_fallback.h"
#include "core/format_engine.h"
#include "core/oom_report.h"
#include "core/process_end.h"

namespace {

constexpr std::size_t kFatalBufferChars = 4096;
constexpr int kMaxAtFatalCallbacks = 100;
constexpr int kMaxLowMemoryHandlers = 100;
// Low-memory handlers are asked only this many times in the life of the
// process, so that a handler that keeps answering yes cannot loop forever.
constexpr std::uint32_t kMaxLowMemoryRetries = 50000;

// The hooks are registered at start-up on the main thread, before anything
// can fail; the fatal path only reads them.
struct FatalHooks {
  FatalCallback at_fatal[kMaxAtFatalCallbacks];
  int at_fatal_count;
  LowMemoryHandler low_memory[kMaxLowMemoryHandlers];
  int low_memory_count;
  FatalCallback message;
  FatalCallbackW message_w;
  FatalTextNarrower narrower;
  bool advice_set;
  char advice[1024];
};

FatalHooks& Hooks() {
  static FatalHooks hooks;
  return hooks;
}

std::atomic<bool> g_in_fatal{false};
std::atomic<std::uint32_t> g_out_of_memory_calls{0};
std::atomic<bool> g_oom_report_taken{false};

void AsciiNarrower(const char16_t* text, char* out, std::size_t out_size) {
  if (out_size == 0) return;
  std::size_t i = 0;
  for (; text[i] != 0 && i + 1 < out_size; ++i) {
    out[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  }
  out[i] = '\0';
}

// Fatal-state guard: true for the first caller only.
bool EnterFatalState() {
  return !g_in_fatal.exchange(true);
}

// Each callback runs in isolation: whatever it throws must not keep the
// others, or the end of the process, from happening. Built without
// exceptions (setup.exe), nothing can be thrown.
template <typename Text>
void CallIsolated(void (*callback)(Text), Text text) {
#if defined(__cpp_exceptions)
  try {
    callback(text);
  } catch (...) {
  }
#else
  callback(text);
#endif
}

void CallAtFatalCallbacks(const char* text) {
  FatalHooks& hooks = Hooks();
  for (int i = 0; i < hooks.at_fatal_count; ++i) CallIsolated(hooks.at_fatal[i], text);
}

void ShowMessage(const char* text) {
  CallIsolated(Hooks().message ? Hooks().message : &ShowFatalWithoutDisplay, text);
}

void ShowMessageW(const char16_t* text) { CallIsolated(Hooks().message_w, text); }

// Asks every handler (not only the first that succeeds) and answers whether
// any of them freed memory.
bool AskLowMemoryHandlers() {
  FatalHooks& hooks = Hooks();
  bool freed = false;
  for (int i = 0; i < hooks.low_memory_count; ++i) {
    const LowMemoryHandler& handler = hooks.low_memory[i];
    if (handler.free_some && handler.free_some(handler.context)) freed = true;
  }
  return freed;
}

[[noreturn]] void ReportOutOfMemory(std::size_t requested) {
  // Static storage keeps the report off the stack so the stack words show
  // the failing call chain rather than this buffer; only the first thread
  // to get here may use it.
  static char text[kFatalBufferChars];
  static std::uint32_t words[kOutOfMemoryStackWords];
  if (g_oom_report_taken.exchange(true)) FatalMessage("Out Of Memory.");
  ReadStackWords(words, kOutOfMemoryStackWords);
  const char* advice = Hooks().advice_set ? Hooks().advice : kDefaultOutOfMemoryAdvice;
  FormatOutOfMemoryReport(text, sizeof text, advice, requested, words, kOutOfMemoryStackWords);
  FatalMessage(text);
}

void NewHandler() {
  // operator new does not tell its handler the size it wanted.
  OutOfMemory(0);
}

// Installs the operator new handler whenever this library is linked in.
const bool g_new_handler_installed = (InstallOutOfMemoryHandler(), true);

}  // namespace

void InternalFatalError(const char* module, int line) {
  FatalFormat("Internal Fatal Error\r\nModule: %s\r\nLine: %d", module ? module : "", line);
}

void FatalFormat(const char* format, ...) {
  char text[kFatalBufferChars];
  va_list args;
  va_start(args, format);
  int64_t written = VFormatTerminated(text, sizeof text, format, args);
  va_end(args);
  if (written < 0) text[0] = '\0';
  FatalMessage(text);
}

void FatalMessage(const char* text) {
  if (text == nullptr) text = "";
  if (EnterFatalState()) {
    CallAtFatalCallbacks(text);
    ShowMessage(text);
  }
  EndProcessNow(1);
}

void FatalMessageW(const char16_t* text) {
  if (text == nullptr) text = u"";
  if (EnterFatalState()) {
    FatalHooks& hooks = Hooks();
    char narrow[kFatalBufferChars];
    (hooks.narrower ? hooks.narrower : &AsciiNarrower)(text, narrow, sizeof narrow);
    CallAtFatalCallbacks(narrow);
    if (hooks.message_w) {
      ShowMessageW(text);
    } else {
      ShowMessage(narrow);
    }
  }
  EndProcessNow(1);
}

void OutOfMemory(std::size_t requested) {
  std::uint32_t calls = g_out_of_memory_calls.fetch_add(1) + 1;
  if (calls <= kMaxLowMemoryRetries && AskLowMemoryHandlers()) return;
  ReportOutOfMemory(requested);
}

bool OutOfMemoryOccurred() { return g_out_of_memory_calls.load() > 0; }

void* QkAlloc(std::size_t size) {
  for (;;) {
    // malloc(0) may answer null, which must not read as a failure.
    if (void* block = std::malloc(size ? size : 1)) return block;
    OutOfMemory(size);
  }
}

void* QkRealloc(void* block, std::size_t size) {
  for (;;) {
    if (void* moved = std::realloc(block, size ? size : 1)) return moved;
    OutOfMemory(size);
  }
}

void QkFree(void* block) {
  std::free(block);
}

// A null advice brings the default text back.
void SetOutOfMemoryAdvice(const char* advice) {
  FatalHooks& hooks = Hooks();
  hooks.advice_set = advice != nullptr;
  FormatTerminated(hooks.advice, sizeof hooks.advice, "%s", advice ? advice : "");
}

void AddLowMemoryHandler(LowMemoryHandler handler) {
  FatalHooks& hooks = Hooks();
  if (hooks.low_memory_count < kMaxLowMemoryHandlers) {
    hooks.low_memory[hooks.low_memory_count++] = handler;
  }
}

void AddAtFatalCallback(FatalCallback callback) {
  FatalHooks& hooks = Hooks();
  if (callback && hooks.at_fatal_count < kMaxAtFatalCallbacks) {
    hooks.at_fatal[hooks.at_fatal_count++] = callback;
  }
}

void SetFatalMessageCallback(FatalCallback callback) {
  Hooks().message = callback;
}

void SetFatalMessageCallbackW(FatalCallbackW callback) {
  Hooks().message_w = callback;
}

void SetFatalTextNarrower(FatalTextNarrower narrower) {
  Hooks().narrower = narrower;
}

void InstallOutOfMemoryHandler() {
  std::set_new_handler(&NewHandler);
}
