// Owners of Win32 handles: one type per handle kind, so that a find handle can
// never be passed to CloseHandle or a library to FindClose. Closing keeps the
// thread's last error, so an owner going out of scope after a failed call
// does not hide why the call failed.
#pragma once

#include <windows.h>

template <class Traits>
class ScopedHandle {
 public:
  using Type = typename Traits::Type;

  ScopedHandle() = default;
  explicit ScopedHandle(Type handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Type get() const { return handle_; }
  bool valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return valid(); }

  // Closes the handle held and takes `handle`.
  void Reset(Type handle = Traits::Null()) {
    if (handle == handle_) return;
    Close();
    handle_ = handle;
  }
  // Gives the handle up without closing it.
  Type Release() {
    Type handle = handle_;
    handle_ = Traits::Null();
    return handle;
  }
  void Close() {
    if (!valid()) return;
    const DWORD error = GetLastError();
    Traits::Close(handle_);
    SetLastError(error);
    handle_ = Traits::Null();
  }
  // For calls that return the handle through an out argument; closes the
  // handle held first.
  Type* Receive() {
    Close();
    return &handle_;
  }

 private:
  Type handle_ = Traits::Null();
};

// Kernel handles that CreateFile returns, and every other kernel object
// (process, thread, event, mutex, token, file mapping). Both null and
// INVALID_HANDLE_VALUE mean "none": which one an API returns on failure
// differs from call to call.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Null() { return nullptr; }
  static bool IsValid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { CloseHandle(handle); }
};

struct FileHandleTraits : KernelHandleTraits {};

// FindFirstFileW searches, closed with FindClose.
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { FindClose(handle); }
};

// Libraries from LoadLibrary, released with FreeLibrary.
struct LibraryHandleTraits {
  using Type = HMODULE;
  static Type Null() { return nullptr; }
  static bool IsValid(Type handle) { return handle != nullptr; }
  static void Close(Type handle) { FreeLibrary(handle); }
};

using FileHandle = ScopedHandle<FileHandleTraits>;
using FindHandle = ScopedHandle<FindHandleTraits>;
using LibraryHandle = ScopedHandle<LibraryHandleTraits>;
using KernelHandle = ScopedHandle<KernelHandleTraits>;
