#include "builder/manifest.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "builder/package_writer.h"
#include "builder/test_stub.h"
#include "builder/test_unpack.h"

namespace {

namespace fs = std::filesystem;

std::u16string Text(const String& wide) { return std::u16string(wide.w_str(), static_cast<size_t>(wide.wlength())); }
std::string Narrow(const String& text) { return std::string(text.c_str(), static_cast<size_t>(text.length())); }

// A product folder of the test's own: a manifest beside a "files" folder.
class ManifestTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("bx-manifest-" + std::to_string(getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    Write("files/readme.txt", "read me");
    Write("files/bin/app.exe", "MZ program");
    Write("files/bin/app.pdb", "symbols");
    Write("files/a-first.txt", "first");
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Write(const std::string& relative, const std::string& content) {
    fs::path path = folder_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }

  bool Load(const std::string& manifest) {
    Write("product.toml", manifest);
    product_ = Product();
    error_.clear();
    return LoadManifest((folder_ / "product.toml").string(), &product_, &error_);
  }

  // The error for a manifest, which must fail.
  std::string ErrorOf(const std::string& manifest) {
    EXPECT_FALSE(Load(manifest)) << manifest;
    return error_;
  }

  std::string Path() const { return (folder_ / "product.toml").string(); }

  fs::path folder_;
  Product product_;
  std::string error_;
};

const char kMinimal[] =
    "[product]\n"
    "name = \"Tiny\"\n"
    "version = \"2.0\"\n"
    "[files]\n"
    "source = \"files\"\n";

TEST_F(ManifestTest, MinimalManifestTakesTheDefaults) {
  ASSERT_TRUE(Load(kMinimal)) << error_;
  Product defaults = DefaultProduct(String(u"Tiny"), String(u"2.0"));
  const ProductSettings& s = product_.settings;
  EXPECT_EQ(Text(s.DisplayName), u"Tiny");
  EXPECT_EQ(Text(s.DisplayVersion), u"2.0");
  EXPECT_EQ(Text(s.DefaultInstallDir), u"Tiny");
  EXPECT_EQ(s.ProductFlags, defaults.settings.ProductFlags);
  EXPECT_EQ(s.ProductFlags2, defaults.settings.ProductFlags2);
  ASSERT_EQ(product_.languages.size(), 1u);
  EXPECT_EQ(Text(product_.languages[0].messages[21]), u"Error");
  // Every file, in name order, with Windows folder separators.
  ASSERT_EQ(product_.files.size(), 4u);
  EXPECT_EQ(Narrow(product_.files[0].entry.name), "a-first.txt");
  EXPECT_EQ(Narrow(product_.files[1].entry.name), "bin\\app.exe");
  EXPECT_EQ(Narrow(product_.files[2].entry.name), "bin\\app.pdb");
  EXPECT_EQ(Narrow(product_.files[3].entry.name), "readme.txt");
  EXPECT_EQ(product_.files[1].source_path, (folder_ / "files/bin/app.exe").string());
  EXPECT_EQ(product_.files[1].entry.attributes, kKeepAttributes);
  EXPECT_GE(product_.files[1].entry.date[0], 2020);  // written just now
  EXPECT_GE(product_.files[1].entry.date[1], 1);
}

TEST_F(ManifestTest, OptionsReachTheSettingsAndTheEntries) {
  Write("eula.txt", "Line one\nLine two\n");
  ASSERT_TRUE(Load("[product]\nname = \"Tiny\"\nversion = \"2.0\"\nbitness = \"64\"\n"
                   "[files]\nsource = \"files\"\nexclude = [\"*.pdb\"]\ndates = \"none\"\n"
                   "[[file]]\npath = \"readme.txt\"\noverwrite = \"if-missing\"\nreadonly = true\n"
                   "[[shortcut]]\ntarget = \"bin/app.exe\"\nname = \"Tiny App\"\ndesktop = true\n"
                   "arguments = \"--start\"\n"
                   "[package]\nfile_data = \"after\"\nencipher = true\ncipher_key = \"00112233445566aa\"\n"
                   "[wizard]\ngreeting = false\nlicense = \"eula.txt\"\nstyle = \"banner\"\n"
                   "styles.finish = \"plain\"\n"
                   "[messages]\n\"42\" = \"All done.\"\n"
                   "[[language]]\nname = \"Deutsch\"\nmessages.49 = \"Abbrechen\"\n"))
      << error_;
  const ProductSettings& s = product_.settings;
  EXPECT_EQ(s.Bitness, 1);
  EXPECT_EQ(s.FileDataOutside, 1);
  EXPECT_TRUE(s.Flag2(product_flag2::kEnciphered));
  EXPECT_EQ(product_.options.cipher_key[0], 0x00);
  EXPECT_EQ(product_.options.cipher_key[7], 0xAA);
  EXPECT_TRUE(s.Flag(product_flag::kNoGreetingPage));
  ASSERT_EQ(s.LicenseTexts.Count(), 1);
  EXPECT_EQ(Text(s.LicenseTexts[0]), u"Line one\r\nLine two\r\n");
  EXPECT_EQ(s.PageStyles[kStyleLicense], 2);
  EXPECT_EQ(s.PageStyles[kStyleFinish], 0);
  EXPECT_EQ(Text(product_.languages[0].messages[42]), u"All done.");
  ASSERT_EQ(product_.languages.size(), 2u);
  EXPECT_EQ(Text(product_.languages[1].name), u"Deutsch");
  EXPECT_EQ(Text(product_.languages[1].messages[49]), u"Abbrechen");
  EXPECT_EQ(Text(product_.languages[1].messages[21]), u"Error");  // English where not translated

  ASSERT_EQ(product_.files.size(), 3u);  // the .pdb is left out
  const EntryRecord& app = product_.files[1].entry;
  EXPECT_EQ(Narrow(app.name), "bin\\app.exe");
  EXPECT_EQ(app.flags, entry_flag::kDesktopShortcut | entry_flag::kStartMenuShortcut);
  EXPECT_EQ(Narrow(app.version), "Tiny App");
  EXPECT_EQ(Narrow(app.shortcut_arguments), "--start");
  EXPECT_EQ(app.date[1], 0);  // no dates
  const EntryRecord& readme = product_.files[2].entry;
  EXPECT_EQ(readme.flags, entry_flag::kOverwriteIfMissing);
  EXPECT_EQ(readme.attributes, 1u);
}

TEST_F(ManifestTest, ErrorsNameFileLineAndKey) {
  EXPECT_EQ(ErrorOf("[product]\nversion = \"1\"\n[files]\nsource = \"files\"\n"),
            Path() + ":1:1: product.name: the product needs a name");
  EXPECT_EQ(ErrorOf(std::string(kMinimal) + "[wizard]\nfolder_pgae = true\n"),
            Path() + ":7:1: wizard.folder_pgae: unknown key");
  EXPECT_EQ(ErrorOf(std::string(kMinimal) + "[wizard]\ngreeting = \"yes\"\n"),
            Path() + ":7:12: wizard.greeting: expected true or false");
  // Invalid TOML: the parser's own words, with the place.
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[product]\n").find(Path() + ":6:1: "), std::string::npos) << error_;
  EXPECT_NE(ErrorOf("[product]\nname = \"Tiny\"\nversion = \"2.0\"\nbitness = \"16\"\n[files]\nsource = \"files\"\n")
                .find(":4:11: product.bitness: expected one of \"any\", \"64\", \"32\""),
            std::string::npos)
      << error_;
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[messages]\n\"13\" = \"Broken.\"\n").find("placeholders \"%d\""),
            std::string::npos)
      << error_;
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[[shortcut]]\ntarget = \"missing.exe\"\n").find(
                ":7:10: shortcut[0].target: \"missing.exe\" is not among the product's files"),
            std::string::npos)
      << error_;
  EXPECT_NE(ErrorOf("[product]\nname = \"Tiny\"\nversion = \"2.0\"\n[files]\nsource = \"nowhere\"\n")
                .find("files.source: \"" + (folder_ / "nowhere").string() + "\" is not a folder"),
            std::string::npos)
      << error_;
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[package]\ncipher_key = \"xyz\"\n").find("16 hexadecimal digits"),
            std::string::npos)
      << error_;
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "block = 1\n").find("files.block: unknown key"), std::string::npos)
      << error_;
  std::string missing;
  Product product;
  EXPECT_FALSE(LoadManifest((folder_ / "absent.toml").string(), &product, &missing));
  EXPECT_NE(missing.find("absent.toml: cannot read the manifest"), std::string::npos);
}

TEST_F(ManifestTest, NamesBeyondAsciiTravelInTheDestination) {
  Write("files/r\xC3\xA9sum\xC3\xA9.txt", "cv");
  ASSERT_TRUE(Load(kMinimal)) << error_;
  const EntryRecord* entry = nullptr;
  for (const PackageFile& file : product_.files) {
    if (!file.entry.destination.empty()) entry = &file.entry;
  }
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(Narrow(entry->name), "r__sum__.txt");
  EXPECT_EQ(Text(entry->destination), u"r\u00E9sum\u00E9.txt");
}

TEST_F(ManifestTest, SampleProductBuildsAndReadsBack) {
  const fs::path sample = fs::path(__FILE__).parent_path() / "../../samples/sample-product/manifest.toml";
  Product product;
  std::string error;
  ASSERT_TRUE(LoadManifest(sample.string(), &product, &error)) << error;
  String installer;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), product, &installer, &error)) << error;
  Unpacked u = Unpack(installer);
  ASSERT_EQ(u.corrupt, kCorruptNone);
  EXPECT_EQ(Text(u.settings.DisplayName), u"Bastionix Sample");
  ASSERT_EQ(u.entries.size(), 3u);  // the .bak draft is left out
  EXPECT_EQ(Narrow(u.entries[0].name), "data\\settings.ini");
  EXPECT_EQ(u.entries[0].flags, entry_flag::kOverwriteIfMissing);
  EXPECT_EQ(Narrow(u.entries[1].name), "docs\\guide.txt");
  EXPECT_EQ(Narrow(u.entries[2].name), "readme.txt");
  EXPECT_EQ(u.entries[2].flags, entry_flag::kStartMenuShortcut);
  EXPECT_EQ(u.settings.LicenseTexts.Count(), 1);
  // Built twice, the same bytes.
  String again;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), product, &again, &error)) << error;
  EXPECT_TRUE(again == installer);
}

}  // namespace

namespace {

TEST_F(ManifestTest, BackgroundAndWizardLookReachTheSettings) {
  Write("back.bmp", "BM not much of a bitmap");
  Write("hello.wav", "RIFF....WAVE");
  ASSERT_TRUE(Load(std::string(kMinimal) +
                   "[wizard]\nlink = \"https://example.com\"\ngreeting_sound = \"hello.wav\"\n"
                   "side_picture_frame = \"border\"\n"
                   "[background]\ntitle = \"Tiny 2\"\ntitle_font = \"Arial\"\ntitle_size = 150\n"
                   "title_color = \"#FF8000\"\ntitle_shadow = 40\ntitle_position = \"bottom-right\"\n"
                   "top_color = \"#000080\"\nbottom_color = \"#1020F0\"\ncopyright = \"(C) Me\"\n"
                   "copyright_position = \"top-centre\"\nbitmap = \"back.bmp\"\nbitmap_size = 50\n"
                   "bitmap_stretch = \"tile\"\n"))
      << error_;
  const ProductSettings& s = product_.settings;
  EXPECT_EQ(Text(s.GreetingLink), u"https://example.com");
  EXPECT_EQ(Narrow(s.GreetingSound), "RIFF....WAVE");
  EXPECT_EQ(s.SidePictureFrame, 2);
  EXPECT_EQ(Text(s.DisplayTitle), u"Tiny 2");
  EXPECT_EQ(Narrow(s.TitleFont), "Arial");
  EXPECT_DOUBLE_EQ(s.TitleSize, 1.5);
  EXPECT_EQ(s.TitleColor, 0x0080FFu);  // colour references hold blue, green, red
  EXPECT_EQ(s.TitleShadow, 40);
  EXPECT_EQ(s.TitlePosition, 6);
  EXPECT_EQ(s.BottomColor, 0xF02010u);
  EXPECT_EQ(s.CopyrightPos, 2);
  EXPECT_EQ(Narrow(s.BackgroundBitmap), "BM not much of a bitmap");
  EXPECT_TRUE(s.Flag(product_flag::kBackgroundBitmap));
  EXPECT_EQ(s.BitmapSize, 50);
  EXPECT_EQ(s.StretchMode, 3);

  Write("not.bmp", "GIF89a");
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[background]\ntop_color = \"blue\"\n").find("#RRGGBB"),
            std::string::npos);
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[background]\nbitmap = \"not.bmp\"\n").find("not a .bmp"),
            std::string::npos);
}

}  // namespace
