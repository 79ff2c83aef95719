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

// Formats a printf-style text into the 4096-character fatal buffer and hands
// it to FatalMessage (the container index errors use it).
[[noreturn]] void FatalFormat(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Called by every allocation in the library that fails. Returns only when a
// registered low-memory handler freed something, so the caller can retry.
void OutOfMemory(std::size_t requested);
// Whether an allocation has failed at any time in this run (the crash report says so).
bool OutOfMemoryOccurred();

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

// Hooks are registered at start-up on the main thread. The advice text is
// copied (up to 1023 characters; null brings back the default "Make sure the
// hard drive is not full."). At most 100 low-memory handlers and 100 at-fatal
// callbacks are kept; later ones are ignored. Without a fatal-message
// callback the message goes where core/fatal_fallback.h says: the standard
// error stream, or an error box in a windowed program that has none.
void SetOutOfMemoryAdvice(const char* advice);
void AddLowMemoryHandler(LowMemoryHandler handler);
void AddAtFatalCallback(FatalCallback callback);
void SetFatalMessageCallback(FatalCallback callback);
void SetFatalMessageCallbackW(FatalCallbackW callback);

// Turns a UTF-16 fatal text into 8-bit text for the 8-bit callbacks. It writes
// at most out_size bytes including the terminator and must not allocate. The
// default keeps ASCII and writes '?' for everything else; the code-page layer
// replaces it with the ANSI code-page conversion.
using FatalTextNarrower = void (*)(const char16_t* text, char* out, std::size_t out_size);
void SetFatalTextNarrower(FatalTextNarrower narrower);

// Routes failed operator new calls into OutOfMemory. It is installed when the
// library starts; calling it again is harmless.
void InstallOutOfMemoryHandler();
