// Owners of the kernel handles the testkit holds. One type per handle kind, so
// a process handle can never be passed where a job is meant.
#pragma once

#include <windows.h>

#include <utility>

namespace testkit {

template <typename Tag>
class KernelHandle {
 public:
  KernelHandle() = default;
  explicit KernelHandle(HANDLE handle) : handle_(handle) {}
  KernelHandle(KernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  KernelHandle& operator=(KernelHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  ~KernelHandle() { Reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  // Closes the handle held, keeping the thread's last error for the caller's report.
  void Reset(HANDLE handle = nullptr) {
    if (*this) {
      DWORD error = GetLastError();
      CloseHandle(handle_);
      SetLastError(error);
    }
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

using ProcessHandle = KernelHandle<struct ProcessHandleTag>;
using ThreadHandle = KernelHandle<struct ThreadHandleTag>;
using JobHandle = KernelHandle<struct JobHandleTag>;
using FileHandle = KernelHandle<struct FileHandleTag>;

}  // namespace testkit
