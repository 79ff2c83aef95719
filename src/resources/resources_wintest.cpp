// setup.exe as built: its version record, manifest and icon, read back through
// the system's own resource calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource_ids.h"
#include "testkit/testkit.h"

namespace {

// setup.exe mapped for its resources only; nothing of it runs.
class SetupImage : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(testkit::SetupExe().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, module_) << "error " << GetLastError() << " loading " << testkit::SetupExe();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  std::string Manifest() const {
    HRSRC resource = FindResourceW(module_, MAKEINTRESOURCEW(IDR_MANIFEST), RT_MANIFEST);
    HGLOBAL loaded = resource ? LoadResource(module_, resource) : nullptr;
    if (!loaded) return {};
    return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module_, resource));
  }

  HMODULE module_ = nullptr;
};

std::wstring VersionString(const std::string& block, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return L"(missing)";
  return std::wstring(value, length > 0 ? length - 1 : 0);
}

TEST_F(SetupImage, VersionRecordDescribesTheInstaller) {
  const std::wstring path = testkit::SetupExe();
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  EXPECT_EQ(L"Self-extracting installation program.", VersionString(block, L"FileDescription"));
  EXPECT_EQ(L"37.0", VersionString(block, L"FileVersion"));
  EXPECT_EQ(L"37.0", VersionString(block, L"ProductVersion"));
  EXPECT_EQ(L"Bastionix Setup", VersionString(block, L"ProductName"));
  EXPECT_EQ(L"setup.exe", VersionString(block, L"OriginalFilename"));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(static_cast<DWORD>(VS_FFI_SIGNATURE), fixed->dwSignature);
  EXPECT_EQ(MAKELONG(0, 37), static_cast<LONG>(fixed->dwFileVersionMS));
  EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
}

TEST_F(SetupImage, ManifestAsksForAdministratorCommonControlsAndDpiAwareness) {
  const std::string manifest = Manifest();
  ASSERT_FALSE(manifest.empty());
  for (const char* expected : {
           "level=\"requireAdministrator\"",
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           ">true/pm</dpiAware>",
           ">PerMonitorV2, PerMonitor</dpiAwareness>",
           "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10
       }) {
    EXPECT_NE(std::string::npos, manifest.find(expected)) << expected;
  }
}

TEST_F(SetupImage, IconLoadsAtEverySizeItCarries) {
  const int system_large = GetSystemMetrics(SM_CXICON), system_small = GetSystemMetrics(SM_CXSMICON);
  for (int size : {16, 32, 48, 256, system_large, system_small}) {
    HICON icon = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
    ASSERT_NE(nullptr, icon) << "size " << size << ", error " << GetLastError();
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(size, bitmap.bmWidth) << "size " << size;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

}  // namespace
