// setup.exe's own C++ support, linked into the program only. The runtime
// never throws, yet the C++ library's versions of these functions throw or
// catch, and each one brings the whole exception machinery (unwinder,
// personality routine, exception classes, a second string implementation,
// the threading library under its locks) into every installer. These do
// what the runtime would do anyway: end through the fatal path.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "core/fatal.h"

// The default terminate handler prints the type name of an uncaught
// exception and so brings a whole demangler (some 45 KiB).
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// Allocation never fails back to the caller: the low-memory handlers are
// asked, then the out-of-memory report ends the run (as the new handler
// does, but with the size that was asked for).
void* operator new(std::size_t size) { return QkAlloc(size); }
void* operator new[](std::size_t size) { return QkAlloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }

// What the containers raise on misuse: an internal error naming the check.
namespace std {
[[noreturn]] static void LibraryFault(const char* what) { InternalFatalError(what ? what : "C++ library", 0); }
void __throw_bad_cast() { LibraryFault("bad_cast"); }
void __throw_bad_alloc() {
  OutOfMemory(0);
  LibraryFault("bad_alloc");
}
void __throw_bad_typeid() { LibraryFault("bad_typeid"); }
void __throw_bad_exception() { LibraryFault("bad_exception"); }
void __throw_bad_array_new_length() { LibraryFault("bad_array_new_length"); }
void __throw_logic_error(const char* what) { LibraryFault(what); }
void __throw_range_error(const char* what) { LibraryFault(what); }
void __throw_domain_error(const char* what) { LibraryFault(what); }
void __throw_length_error(const char* what) { LibraryFault(what); }
void __throw_out_of_range(const char* what) { LibraryFault(what); }
void __throw_runtime_error(const char* what) { LibraryFault(what); }
void __throw_overflow_error(const char* what) { LibraryFault(what); }
void __throw_underflow_error(const char* what) { LibraryFault(what); }
void __throw_invalid_argument(const char* what) { LibraryFault(what); }
void __throw_out_of_range_fmt(const char* format, ...) { LibraryFault(format); }
}  // namespace std

// Function-local statics: the first byte of the guard says "initialised"
// (the compiler tests it inline), the second is taken by the one thread
// that initialises, whose id the second word holds; others yield until it
// is done. A static whose initialiser needs itself is an internal error
// rather than a thread waiting for itself forever.
namespace {
struct Guard {
  char done;
  char busy;
  char unused[2];
  DWORD owner;
};
static_assert(sizeof(Guard) == 8, "the guard is 64 bits");
Guard* GuardOf(long long* guard) { return reinterpret_cast<Guard*>(guard); }
}  // namespace

extern "C" int __cxa_guard_acquire(long long* guard) {
  Guard* g = GuardOf(guard);
  for (;;) {
    if (__atomic_load_n(&g->done, __ATOMIC_ACQUIRE)) return 0;
    if (!__atomic_exchange_n(&g->busy, 1, __ATOMIC_ACQUIRE)) break;
    if (__atomic_load_n(&g->owner, __ATOMIC_RELAXED) == GetCurrentThreadId()) {
      InternalFatalError("static initialisation", 0);
    }
    Sleep(0);
  }
  if (__atomic_load_n(&g->done, __ATOMIC_ACQUIRE)) {
    __atomic_store_n(&g->busy, 0, __ATOMIC_RELEASE);
    return 0;
  }
  __atomic_store_n(&g->owner, GetCurrentThreadId(), __ATOMIC_RELAXED);
  return 1;
}

extern "C" void __cxa_guard_release(long long* guard) {
  Guard* g = GuardOf(guard);
  __atomic_store_n(&g->owner, 0, __ATOMIC_RELAXED);
  __atomic_store_n(&g->done, 1, __ATOMIC_RELEASE);
  __atomic_store_n(&g->busy, 0, __ATOMIC_RELEASE);
}

extern "C" void __cxa_guard_abort(long long* guard) {
  Guard* g = GuardOf(guard);
  __atomic_store_n(&g->owner, 0, __ATOMIC_RELAXED);
  __atomic_store_n(&g->busy, 0, __ATOMIC_RELEASE);
}

// The start-up code patches the program's references to data in DLLs that
// the linker imported without the import marking ("pseudo relocations").
// setup.exe has none: it links with --disable-auto-import, which refuses
// such a reference instead. The C runtime's patcher (with its section
// lookup and its error texts, some 2.5 KiB) would only walk an empty list.
extern "C" void _pei386_runtime_relocator() {}
