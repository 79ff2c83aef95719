// The owner of one COM interface pointer: released when the owner goes or is
// reset, moved but never copied. Releasing keeps the thread's last error.
#pragma once

#include <windows.h>
#include <unknwn.h>

template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = other.pointer_;
      other.pointer_ = nullptr;
    }
    return *this;
  }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // For the out parameter of a call that hands over a new reference.
  Interface** Receive() {
    Reset();
    return &pointer_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  void Reset() {
    if (pointer_ == nullptr) return;
    const DWORD error = GetLastError();
    pointer_->Release();
    pointer_ = nullptr;
    SetLastError(error);
  }

  // Another interface of the same object; an empty owner when it has none.
  template <class Other>
  HRESULT QueryInterface(REFIID iid, ComPtr<Other>* out) const {
    return pointer_->QueryInterface(iid, out->ReceiveVoid());
  }

 private:
  Interface* pointer_ = nullptr;
};
