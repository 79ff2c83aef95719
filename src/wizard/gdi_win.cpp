#include "wizard/gdi_win.h"

#include "core/string.h"
#include "package/inflate.h"
#include "package/dib.h"

namespace {

// Room for a 4096 x 4096 true-colour bitmap; a resource that would inflate
// beyond it is taken as damaged.
constexpr size_t kMaxBitmapBytes = 4096u * 4096u * 4u + 4096u;

// Bitmap resource `id`: a .bmp file image stored as one zlib stream.
bool LoadPackedBitmap(HMODULE module, int id, String* image, DibView* view) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), kPackedBitmapType);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* packed = loaded ? LockResource(loaded) : nullptr;
  if (!packed) return false;
  return InflateBuffer(static_cast<const uint8_t*>(packed), SizeofResource(module, found), kMaxBitmapBytes, image) &&
         ParseDib(image->bytes(), image->length(), *view);
}

}  // namespace

HBITMAP ScaledBitmapResource(HMODULE module, int id, int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  String image;
  DibView view;
  if (!LoadPackedBitmap(module, id, &image, &view)) return nullptr;
  HDC screen = GetDC(nullptr);
  GdiObject result(CreateCompatibleBitmap(screen, width, height));
  {
    MemoryDc to(screen);
    if (result && to.get()) {
      to.Select(result.get());
      SetStretchBltMode(to.get(), HALFTONE);
      SetBrushOrgEx(to.get(), 0, 0, nullptr);
      StretchDIBits(to.get(), 0, 0, width, height, 0, 0, view.width, view.height, image.bytes() + view.bits_offset,
                    reinterpret_cast<const BITMAPINFO*>(image.bytes() + view.header_offset), DIB_RGB_COLORS, SRCCOPY);
    }
  }
  ReleaseDC(nullptr, screen);
  return static_cast<HBITMAP>(result.Release());
}
