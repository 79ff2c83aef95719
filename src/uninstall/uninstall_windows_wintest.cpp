#include <windows.h>

#include "uninstall/uninstall_windows.h"

#include <gtest/gtest.h>

#include <string>

#include "core/scratch_folder_wintest.h"

namespace {

constexpr COLORREF kLargeColour = RGB(200, 0, 0);
constexpr COLORREF kSmallColour = RGB(0, 0, 200);

void PutLittleEndian(std::string* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
}

// An icon image in one colour: 32-bit pixels and an empty mask.
std::string IconImage(int size, COLORREF colour) {
  std::string image;
  PutLittleEndian(&image, 40, 4);
  PutLittleEndian(&image, size, 4);
  PutLittleEndian(&image, size * 2, 4);  // pixels and mask
  PutLittleEndian(&image, 1, 2);
  PutLittleEndian(&image, 32, 2);
  image.append(24, '\0');
  for (int i = 0; i < size * size; ++i) {
    image.push_back(static_cast<char>(GetBValue(colour)));
    image.push_back(static_cast<char>(GetGValue(colour)));
    image.push_back(static_cast<char>(GetRValue(colour)));
    image.push_back(static_cast<char>(0xFF));
  }
  const int mask_row = ((size + 31) / 32) * 4;
  image.append(static_cast<size_t>(mask_row * size), '\0');
  return image;
}

// An icon file with a large image in one colour and a small one in another,
// at the sizes the system asks for.
std::string IconFile() {
  const int sizes[2] = {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CXSMICON)};
  const std::string images[2] = {IconImage(sizes[0], kLargeColour), IconImage(sizes[1], kSmallColour)};
  std::string file;
  PutLittleEndian(&file, 0, 2);
  PutLittleEndian(&file, 1, 2);
  PutLittleEndian(&file, 2, 2);
  uint32_t offset = 6 + 2 * 16;
  for (int i = 0; i < 2; ++i) {
    file.push_back(static_cast<char>(sizes[i]));
    file.push_back(static_cast<char>(sizes[i]));
    file.append(2, '\0');
    PutLittleEndian(&file, 1, 2);
    PutLittleEndian(&file, 32, 2);
    PutLittleEndian(&file, static_cast<uint32_t>(images[i].size()), 4);
    PutLittleEndian(&file, offset, 4);
    offset += static_cast<uint32_t>(images[i].size());
  }
  return file + images[0] + images[1];
}

// The colour in the middle of the window's icon of that kind, read back
// from the icon the window holds; CLR_INVALID when it holds none.
COLORREF IconColour(HWND window, WPARAM kind) {
  HICON icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, kind, 0));
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return CLR_INVALID;
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = bitmap.bmWidth;
  format.bmiHeader.biHeight = bitmap.bmHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  std::string pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight * 4, '\0');
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, &pixels[0], &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  if (rows != bitmap.bmHeight) return CLR_INVALID;
  const size_t middle = (static_cast<size_t>(bitmap.bmHeight / 2) * bitmap.bmWidth + bitmap.bmWidth / 2) * 4;
  return RGB(static_cast<uint8_t>(pixels[middle + 2]), static_cast<uint8_t>(pixels[middle + 1]),
             static_cast<uint8_t>(pixels[middle]));
}

// What the product's uninstall data folder holds decides the icons of the
// background window: only a real "uninstall.ico" replaces the program's.
// The rows run in order, since the icons are the process's.
TEST(UninstallWindowIcons, ComeFromTheProductsIconFileWhenItHasOne) {
  struct Case {
    const char* what;
    const wchar_t* file_name;  // null: nothing in the folder
    std::string bytes;
    bool replaced;
  };
  const Case cases[] = {
      {"no icon file", nullptr, "", false},
      {"an icon file that holds no icon", L"uninstall.ico", "not an icon", false},
      {"an icon under another name", L"product.ico", IconFile(), false},
      {"the product's icon file", L"uninstall.ico", IconFile(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    if (c.file_name) PutFile(folder / c.file_name, c.bytes);
    const std::wstring path = folder.path().substr(0, folder.path().size() - 1);
    UseProductIcons(String(U16(path)));
    UninstallWindows windows;
    const RunProduct product;
    windows.OpenBackground(product);
    HWND background = FindWindowW(L"SEA Window Class", nullptr);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(IconColour(background, ICON_BIG) == kLargeColour, c.replaced);
    EXPECT_EQ(IconColour(background, ICON_SMALL) == kSmallColour, c.replaced);
  }
}

}  // namespace
