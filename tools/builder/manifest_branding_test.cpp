#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "builder/manifest.h"
#include "builder/test_bitmap.h"
#include "builder/test_icon.h"

namespace {

std::string Bytes(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

// A manifest with the given [branding] table, in a folder of its own that
// holds the icon files named in `icons` (name, bytes).
bool Parse(const std::string& branding, const std::vector<std::pair<std::string, std::string>>& icons,
           Product* product, std::string* error) {
  std::string folder = (std::filesystem::temp_directory_path() / "bx-branding-XXXXXX").string();
  if (!mkdtemp(folder.data())) return false;
  std::filesystem::create_directory(folder + "/files");
  std::ofstream(folder + "/files/app.exe") << "app";
  for (const auto& [name, bytes] : icons) std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
  const std::string text = "[product]\nname = \"P\"\nversion = \"1\"\n[files]\nsource = \"files\"\n[branding]\n" + branding;
  const bool parsed = ParseManifest(text, folder + "/manifest.toml", product, error);
  std::filesystem::remove_all(folder);
  return parsed;
}

TEST(ManifestBranding, TheInstallerIconIsEveryIconsDefault) {
  const std::string red = Bytes(MakeTestIcon(0xFFFF0000)), blue = Bytes(MakeTestIcon(0xFF0000FF));
  struct Case {
    std::string keys;
    std::string installer, product, uninstaller;
  } cases[] = {
      {"icon = \"red.ico\"\n", red, red, red},
      {"icon = \"red.ico\"\nuninstaller_icon = \"blue.ico\"\n", red, red, blue},
      {"product_icon = \"blue.ico\"\n", "", blue, ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    Product product;
    std::string error;
    ASSERT_TRUE(Parse(c.keys + "copyright = \"(C) P\"\n", {{"red.ico", red}, {"blue.ico", blue}}, &product, &error))
        << error;
    EXPECT_EQ(Bytes(product.branding.installer_icon), c.installer) << c.keys;
    EXPECT_EQ(Bytes(product.branding.product_icon), c.product) << c.keys;
    EXPECT_EQ(Bytes(product.branding.uninstaller_icon), c.uninstaller) << c.keys;
    EXPECT_EQ(Bytes(product.branding.copyright), std::string("(\0C\0)\0 \0P\0", 10));
  }
}

TEST(ManifestBranding, PicturesReachTheBranding) {
  const std::string side = Bytes(MakeTestBitmap(164, 314, 0xFF00FF)), banner = Bytes(MakeTestBitmap(520, 48, 0x00FF00));
  Product product;
  std::string error;
  ASSERT_TRUE(Parse("side_picture = \"side.bmp\"\nbanner = \"banner.bmp\"\n", {{"side.bmp", side}, {"banner.bmp", banner}},
                    &product, &error))
      << error;
  EXPECT_EQ(Bytes(product.branding.side_picture), side);
  EXPECT_EQ(Bytes(product.branding.banner), banner);
  EXPECT_EQ(Bytes(product.branding.full_picture), "");
}

TEST(ManifestBranding, AnIconThatIsNoIconIsRefusedWithItsPlace) {
  struct Case {
    const char* keys;
    const char* expected;
  } cases[] = {
      {"icon = \"logo.png\"\n", "manifest.toml:7:8: branding.icon: \"logo.png\": not an icon file (.ico)"},
      {"product_icon = \"missing.ico\"\n", "branding.product_icon: cannot read"},
      {"uninstaller_icon = \"cut.ico\"\n", "branding.uninstaller_icon: \"cut.ico\": an image of the icon file"},
      {"colour = \"red\"\n", "branding.colour: unknown key"},
      {"side_picture = \"logo.png\"\n", "manifest.toml:7:16: branding.side_picture: \"logo.png\": not a .bmp file"},
      {"banner = \"huge.bmp\"\n", "branding.banner: \"huge.bmp\": 5000 x 1 pixels; at most 4096"},
      {"full_picture = \"cut.ico\"\n", "branding.full_picture: \"cut.ico\": not a .bmp file"},
  };
  for (const Case& c : cases) {
    Product product;
    std::string error;
    EXPECT_FALSE(Parse(c.keys,
                       {{"logo.png", "\x89PNG\r\n"},
                        {"cut.ico", Bytes(MakeTestIcon(0xFF000000)).substr(0, 60)},
                        {"huge.bmp", Bytes(MakeTestBitmap(5000, 1, 0))}},
                       &product, &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

}  // namespace
