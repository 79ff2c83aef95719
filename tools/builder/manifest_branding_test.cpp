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

// Button images given turn their flag on unless [wizard] says otherwise; the
// progress page's place is its position's code.
TEST(ManifestBranding, ButtonImagesAndTheProgressPlace) {
  const std::string next = Bytes(MakeTestBitmap(20, 20, 0xFF0000)), browse = Bytes(MakeTestBitmap(20, 20, 0x0000FF));
  struct Case {
    std::string keys;
    bool flag;
    int32_t placement;
  } cases[] = {
      {"next_button_image = \"next.bmp\"\nbrowse_button_image = \"browse.bmp\"\n", true, 0},
      {"next_button_image = \"next.bmp\"\n[wizard]\nbutton_images = false\nprogress_position = \"top-left\"\n", false, 1},
      {"[wizard]\nbutton_images = true\nprogress_position = \"bottom-right\"\n", true, 6},
      {"[wizard]\nprogress_position = \"centre\"\n", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    Product product;
    std::string error;
    ASSERT_TRUE(Parse(c.keys, {{"next.bmp", next}, {"browse.bmp", browse}}, &product, &error)) << error;
    EXPECT_EQ(product.settings.Flag2(product_flag2::kButtonImages), c.flag);
    EXPECT_EQ(product.settings.ProgressPlacement, c.placement);
  }
  Product product;
  std::string error;
  ASSERT_TRUE(Parse(cases[0].keys, {{"next.bmp", next}, {"browse.bmp", browse}}, &product, &error)) << error;
  EXPECT_EQ(Bytes(product.branding.next_button), next);
  EXPECT_EQ(Bytes(product.branding.cancel_button), "");
  EXPECT_EQ(Bytes(product.branding.browse_button), browse);
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
      {"next_button_image = \"logo.png\"\n", "manifest.toml:7:21: branding.next_button_image: \"logo.png\": not a .bmp"},
      {"cancel_button_image = \"huge.bmp\"\n", "branding.cancel_button_image: \"huge.bmp\": 5000 x 1 pixels"},
      {"browse_button_image = \"missing.bmp\"\n", "branding.browse_button_image: cannot read"},
      {"[wizard]\nprogress_position = \"middle\"\n", "wizard.progress_position"},
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
