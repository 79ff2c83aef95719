#include "wizard/gdi_win.h"

HBITMAP ScaledBitmapResource(HMODULE module, int id, int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  GdiObject source(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!source) return nullptr;
  BITMAP info{};
  GetObjectW(source.get(), sizeof info, &info);
  HDC screen = GetDC(nullptr);
  GdiObject result(CreateCompatibleBitmap(screen, width, height));
  {
    MemoryDc from(screen);
    MemoryDc to(screen);
    if (result && from.get() && to.get()) {
      from.Select(source.get());
      to.Select(result.get());
      SetStretchBltMode(to.get(), HALFTONE);
      SetBrushOrgEx(to.get(), 0, 0, nullptr);
      StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
  }
  ReleaseDC(nullptr, screen);
  return static_cast<HBITMAP>(result.Release());
}
