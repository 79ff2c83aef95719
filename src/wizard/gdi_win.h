// Owners of the GDI objects the wizard makes: bitmaps, fonts, brushes.
#pragma once

#include <windows.h>

#include "core/handle_win.h"

struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Null() { return nullptr; }
  static bool IsValid(Type handle) { return handle != nullptr; }
  static void Close(Type handle) { DeleteObject(handle); }
};
using GdiObject = ScopedHandle<GdiObjectTraits>;

// A memory device context, deleted when it goes; selections made through
// Select are undone first.
class MemoryDc {
 public:
  explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~MemoryDc() {
    if (!dc_) return;
    if (old_) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }
  void Select(HGDIOBJ object) {
    HGDIOBJ old = SelectObject(dc_, object);
    if (!old_) old_ = old;
  }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// The resource type of the wizard's bitmaps (see resources/resource_ids.h).
inline constexpr const wchar_t* kPackedBitmapType = L"ZBITMAP";

// A copy of bitmap resource `id` of `module`, drawn with halftoning to fill
// width x height pixels; null when the resource is missing or damaged.
HBITMAP ScaledBitmapResource(HMODULE module, int id, int width, int height);
