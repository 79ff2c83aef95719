// Branding from end to end: an installer built with the vendor's icons and
// version record is read back through the system's own calls (version
// information, icon lookup), then installs silently and leaves "product.ico",
// "DisplayIcon" and an uninstaller with its own icon that still removes the
// product. The wizard shows the vendor's pictures in place of ours.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "builder/test_bitmap.h"
#include "builder/test_icon.h"
#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using e2e::RunToEnd;

using testkit::Process;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

std::string Bytes(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

// A value of the version record's first string table, as Explorer reads it.
std::wstring VersionText(const std::wstring& file, const wchar_t* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return L"<no version record>";
  std::string block(size, '\0');
  if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return L"<unreadable>";
  wchar_t* text = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length)) return L"<missing>";
  return std::wstring(text);
}

std::wstring FixedProductVersion(const std::wstring& file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  std::string block(size, '\0');
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
    return L"<missing>";
  }
  return std::to_wstring(HIWORD(fixed->dwProductVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwProductVersionMS)) +
         L"." + std::to_wstring(HIWORD(fixed->dwProductVersionLS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwProductVersionLS));
}

struct DataModule {
  HMODULE module;
  explicit DataModule(const std::wstring& file)
      : module(LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~DataModule() {
    if (module) FreeLibrary(module);
  }
};

std::string ResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name) {
  HRSRC found = FindResourceW(module, name, type);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  return data ? std::string(static_cast<const char*>(data), SizeofResource(module, found)) : std::string();
}

// The image the system picks from the program's icon group 1 (the one the
// wizard and Explorer show), and whether it makes an icon.
std::string ProgramIconImage(const std::wstring& file, bool* loads) {
  DataModule data(file);
  *loads = false;
  if (!data.module) return "<not loadable>";
  std::string group = ResourceBytes(data.module, RT_GROUP_ICON, MAKEINTRESOURCEW(1));
  if (group.empty()) return "<no icon group 1>";
  const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(group.data()), TRUE, 16, 16, LR_DEFAULTCOLOR);
  std::string image = ResourceBytes(data.module, RT_ICON, MAKEINTRESOURCEW(id));
  HICON icon = static_cast<HICON>(LoadImageW(data.module, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
  if (icon) {
    *loads = true;
    DestroyIcon(icon);
  }
  return image;
}

std::wstring RegText(const std::wstring& key, const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return text;
}

TEST(Branding, IconsAndVersionRecordReachTheInstallerTheUninstallerAndTheUninstallEntry) {
  Product product = e2e::TestProduct(L"Branded");
  const std::wstring name = e2e::Wide(product.settings.DisplayName);
  const std::wstring folder = e2e::TestFolder() + L"\\Installed";
  product.settings.DisplayVersion = String(u"2.5.1");
  product.settings.Publisher = String(u"Contoso Tools");
  product.settings.Description = String(u"Contoso's file tool");
  product.settings.DefaultInstallDir = e2e::FromWide(folder);
  product.branding.installer_icon = MakeTestIcon(kRed);
  product.branding.uninstaller_icon = MakeTestIcon(kBlue);
  product.branding.product_icon = MakeTestIcon(kGreen);
  product.branding.copyright = String(u"\u00A9 2026 Contoso");
  product.files.push_back(FileFromBytes("tool.txt", "tool", 4));
  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_FALSE(installer.empty());

  EXPECT_EQ(VersionText(installer, L"ProductName"), name);
  EXPECT_EQ(VersionText(installer, L"CompanyName"), L"Contoso Tools");
  EXPECT_EQ(VersionText(installer, L"ProductVersion"), L"2.5.1");
  EXPECT_EQ(VersionText(installer, L"FileDescription"), L"Contoso's file tool");
  EXPECT_EQ(VersionText(installer, L"LegalCopyright"), L"\u00A9 2026 Contoso");
  EXPECT_EQ(VersionText(installer, L"FileVersion"), L"37.0");  // the runtime's own
  EXPECT_EQ(FixedProductVersion(installer), L"2.5.1.0");
  bool loads = false;
  EXPECT_TRUE(ProgramIconImage(installer, &loads) == Bytes(TestIconImage(MakeTestIcon(kRed))));
  EXPECT_TRUE(loads);

  ASSERT_EQ(RunToEnd(installer, L"/silent"), 1u);  // install mode ends with 1 either way
  const std::wstring key = kUninstallKey + name;
  const std::wstring uninstaller = folder + L"\\uninstall.exe";
  EXPECT_EQ(RegText(key, L"DisplayIcon"), folder + L"\\product.ico");
  EXPECT_TRUE(e2e::ReadBytes(folder + L"\\product.ico") == Bytes(MakeTestIcon(kGreen)));
  EXPECT_TRUE(ProgramIconImage(uninstaller, &loads) == Bytes(TestIconImage(MakeTestIcon(kBlue))));
  EXPECT_TRUE(loads);
  EXPECT_EQ(VersionText(uninstaller, L"ProductName"), name);

  // The uninstaller, resources and all, still runs and removes the product.
  EXPECT_EQ(RunToEnd(uninstaller, L"/a /u:\"" + name + L"\""), 0u);
  EXPECT_EQ(RegText(key, L"DisplayName"), L"<missing>");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

// The colour the screen shows near the lower left corner of control `id`
// of `page` (clear of any text drawn over a picture, and inside the page
// where a picture reaches past its edge).
COLORREF ScreenColourIn(HWND page, int id) {
  RECT rect{};
  if (!GetWindowRect(testkit::FindControl(page, id), &rect)) return CLR_INVALID;
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, rect.left + 6, rect.bottom - 6);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST(Branding, TheWizardShowsTheVendorsPictures) {
  constexpr uint32_t kSide = 0xFF00FF, kBanner = 0x00C000, kFull = 0x0000FF;
  struct Case {
    int32_t style;
    int control;
    uint32_t rgb;
  } cases[] = {{1, 1021, kSide}, {2, 1032, kBanner}, {3, 1042, kFull}, {3, 1021, kSide}};
  for (const Case& c : cases) {
    SCOPED_TRACE("style " + std::to_string(c.style) + ", control " + std::to_string(c.control));
    Product product = e2e::TestProduct(L"Pictured");
    product.settings.PageStyles[kStyleGreeting] = c.style;
    product.branding.side_picture = MakeTestBitmap(82, 172, kSide);
    product.branding.banner = MakeTestBitmap(280, 26, kBanner);
    product.branding.full_picture = MakeTestBitmap(97, 90, kFull);
    product.files.push_back(FileFromBytes("tool.txt", "tool", 4));
    Process run = Process::Start(e2e::BuildInstallerFile(product));
    ASSERT_TRUE(run.started());
    const std::wstring title = L"Welcome to " + e2e::Wide(product.settings.DisplayName) + L" Setup";
    HWND page = testkit::WaitForWindow(run.id(), {testkit::kDialogClass, title});
    ASSERT_NE(page, nullptr) << testing::PrintToString(testkit::DescribeWindows(run.id()));
    const COLORREF expected = RGB(c.rgb >> 16, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF);
    COLORREF seen = CLR_INVALID;
    testkit::WaitUntil([&] { return (seen = ScreenColourIn(page, c.control)) == expected; });
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(testkit::Screenshot(L"branding-pictures-style" + std::to_wstring(c.style)));
  }
}

}  // namespace

namespace {

// How many of the screen's pixels inside control `id` of `page` show `colour`.
int ScreenPixelsIn(HWND page, int id, COLORREF colour) {
  RECT rect{};
  if (!GetWindowRect(testkit::FindControl(page, id), &rect)) return -1;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC copy = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  int count = -1;
  if (bitmap && copy) {
    HGDIOBJ old = SelectObject(copy, bitmap);
    if (BitBlt(copy, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
      count = 0;
      const auto* pixels = static_cast<const uint32_t*>(bits);  // 0x00RRGGBB
      const uint32_t wanted = uint32_t{GetRValue(colour)} << 16 | uint32_t{GetGValue(colour)} << 8 | GetBValue(colour);
      for (int i = 0; i < width * height; ++i) count += (pixels[i] & 0xFFFFFF) == wanted;
    }
    SelectObject(copy, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (copy) DeleteDC(copy);
  ReleaseDC(nullptr, screen);
  return count;
}

// The vendor's button images on Next and Cancel, and the progress page in
// the place the product asks for (the lower right corner of the work area).
TEST(Branding, TheWizardShowsTheVendorsButtonImagesAndPlacesTheProgressPage) {
  constexpr int kNext = 1001, kCancel = 1003;
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  Product product = e2e::TestProduct(L"Buttons");
  const std::wstring name = e2e::Wide(product.settings.DisplayName);
  const std::wstring folder = e2e::TestFolder() + L"\\Installed";
  product.settings.DefaultInstallDir = e2e::FromWide(folder);
  product.settings.SetFlag(product_flag::kFolderPage, false);
  product.settings.SetFlag(product_flag::kStartMenuPage, false);
  product.settings.SetFlag(product_flag::kAnswerRestartNo, true);
  product.settings.SetFlag2(product_flag2::kButtonImages, true);
  product.settings.ProgressPlacement = 6;  // bottom right
  product.settings.MinStatusTime = 3000;   // long enough to find the progress page
  product.branding.next_button = MakeTestBitmap(20, 20, 0xFF0000);
  product.branding.cancel_button = MakeTestBitmap(20, 20, 0x0000FF);
  product.files.push_back(FileFromBytes("tool.txt", "tool", 4));
  Process run = Process::Start(e2e::BuildInstallerFile(product));
  ASSERT_TRUE(run.started());

  HWND greeting = testkit::WaitForWindow(run.id(), {testkit::kDialogClass, L"Welcome to " + name + L" Setup"}, 60000);
  ASSERT_NE(greeting, nullptr) << testing::PrintToString(testkit::DescribeWindows(run.id()));
  // Drawn at 10 x 10 at 96 DPI: the middle of each image keeps its colour.
  testkit::WaitUntil([&] { return ScreenPixelsIn(greeting, kNext, red) >= 16; }, 20000);
  EXPECT_GE(ScreenPixelsIn(greeting, kNext, red), 16);
  EXPECT_EQ(ScreenPixelsIn(greeting, kNext, blue), 0);
  EXPECT_GE(ScreenPixelsIn(greeting, kCancel, blue), 16);
  EXPECT_EQ(ScreenPixelsIn(greeting, kCancel, red), 0);
  EXPECT_TRUE(testkit::Screenshot(L"branding-button-images"));
  ASSERT_TRUE(testkit::ClickButton(greeting, kNext));

  HWND progress = testkit::WaitForWindow(run.id(), {testkit::kDialogClass, L"Installing"}, 60000);
  ASSERT_NE(progress, nullptr) << testing::PrintToString(testkit::DescribeWindows(run.id()));
  RECT area{}, page{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
  ASSERT_TRUE(GetWindowRect(progress, &page));
  // A margin of 4 dialog units from the corner: a few pixels at any DPI.
  EXPECT_GT(page.right, area.right - 24);
  EXPECT_LE(page.right, area.right);
  EXPECT_GT(page.bottom, area.bottom - 24);
  EXPECT_LE(page.bottom, area.bottom);
  EXPECT_TRUE(testkit::Screenshot(L"branding-progress-bottom-right"));

  HWND finish = testkit::WaitForWindow(run.id(), {testkit::kDialogClass, L"Installation Complete"}, 60000);
  ASSERT_NE(finish, nullptr) << testing::PrintToString(testkit::DescribeWindows(run.id()));
  ASSERT_TRUE(testkit::ClickButton(finish, IDOK));  // the product's finish is a message box
  ASSERT_TRUE(run.WaitForExit(60000));
  EXPECT_EQ(RunToEnd(folder + L"\\uninstall.exe", L"/a /u:\"" + name + L"\""), 0u);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUninstallKey + name).c_str());
}

}  // namespace
