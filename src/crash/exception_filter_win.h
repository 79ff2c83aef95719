// The process's handler for exceptions that nothing else handles.
#pragma once

#include <windows.h>

#include <cstdint>

// Filled by the filter from the exception and handed to the crash callback.
struct CrashRecord {
  uint32_t code = 0;
  uint32_t address = 0;         // of the faulting instruction
  uint32_t memory_address = 0;  // access violations: the address that could not be accessed
  uint8_t continuable = 0;
  uint8_t write = 0;            // access violations: 1 for a write
  CONTEXT context;
};

// Answers true when the process may end quietly, false to leave the
// exception to the system's own crash handling.
using CrashCallback = bool (*)(const CrashRecord& record);

// Stores the callback and registers the filter; returns the previous filter.
LPTOP_LEVEL_EXCEPTION_FILTER InstallExceptionFilter(CrashCallback callback);

// The id of the thread that installed the filter: the main thread.
uint32_t MainThreadId();
