// The core library's two non-returning paths: the internal fatal error and the
// out-of-memory report, plus the process-wide hooks that decide how the final
// message is shown. Every path ends the process with exit code 1.
#pragma once

#include <cstddef>

// Raises "Internal Fatal Error\r\nModule: %s\r\nLine: %d".
#define QK_FATAL(module) InternalFatalError(module, __LINE__)

[[noreturn]] void InternalFatalError(const char* module, int line);

// Hands a finished message to the fatal path: at-fatal callbacks, then the
// fatal-message callback, then exit code 1. A second fatal error while the
// first is being reported ends the process at once.
[[noreturn]] void FatalMessage(const char* text);
[[noreturn]] void FatalMessageW(const char16_t* text);

// Called by every allocation in the library that fails. Returns only when a
// registered low-memory handler freed something, so the caller can retry.
void OutOfMemory(std::size_t requested);

// Allocation helpers with the out-of-memory path built in: they never return null.
void* QkAlloc(std::size_t size);
void* QkRealloc(void* block, std::size_t size);
void QkFree(void* block);

struct LowMemoryHandler {
  // Tries to give memory back; answers whether anything was freed.
  bool (*free_some)(void* context);
  void* context;
};

using FatalCallback = void (*)(const char* message);
using FatalCallbackW = void (*)(const char16_t* message);

void SetOutOfMemoryAdvice(const char* advice);
void AddLowMemoryHandler(LowMemoryHandler handler);
void AddAtFatalCallback(FatalCallback callback);
void SetFatalMessageCallback(FatalCallback callback);
void SetFatalMessageCallbackW(FatalCallbackW callback);
