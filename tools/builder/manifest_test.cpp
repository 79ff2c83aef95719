#include "builder/manifest.h"
#include "builder/manifest_actions.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "builder/builtin_languages.h"
#include "builder/package_writer.h"
#include "builder/test_bitmap.h"
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

// An unclosed quote is said in plain words, not as the TOML reader's
// "control character".
TEST(ManifestParseErrors, AnUnclosedQuoteIsSaidPlainly) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"[product]\nname = \"Acme\nversion = \"1\"\n",
       "m.toml:2:13: a quoted text is not closed on its line; add the closing quote, or put a text of several lines "
       "between triple quotes (\"\"\" or \'\'\')"},
      {"[product]\nname = 'Acme\r\n", "m.toml:2:13: a quoted text is not closed on its line"},
      {"[product]\nname = \"\"\"Acme\nversion = 1\n",
       "m.toml:3:13: a quoted text is not closed before the end of the manifest; add the closing quotes"},
      {"[product]\nname = \"A\x01\"\n", "m.toml:2:10: Error while parsing string: unescaped control characters"},
  };
  for (const auto& c : cases) {
    Product product;
    std::string error;
    EXPECT_FALSE(ParseManifest(c.text, "m.toml", &product, &error));
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}

// Windows editors begin UTF-8 files with a byte-order mark.
TEST_F(ManifestTest, AByteOrderMarkIsNoPartOfTheText) {
  ASSERT_TRUE(Load("\xEF\xBB\xBF" + std::string(kMinimal))) << error_;
  EXPECT_EQ(Text(product_.settings.DisplayName), u"Tiny");
  EXPECT_EQ(ErrorOf("\xEF\xBB\xBF" + std::string(kMinimal) + "x\xC3\xA9 = 1\n"),
            Path() + ":6:2: a character beyond ASCII outside a quoted string; put the text in quotes");
}

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
  EXPECT_EQ(Text(product_.languages[1].messages[21]), u"Fehler");  // the built-in German where not replaced

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
  // What the TOML reader cannot take (it faulted on it): refused with the place and the way round.
  EXPECT_EQ(ErrorOf(std::string(kMinimal) + "x\xC3\xA9 = 1\n"),
            Path() + ":6:2: a character beyond ASCII outside a quoted string; put the text in quotes");
  EXPECT_EQ(ErrorOf(std::string(kMinimal) + "# caf\xC3\n"),
            Path() + ":6:6: the manifest is not UTF-8 text here; save it as UTF-8");
  EXPECT_TRUE(Load(std::string(kMinimal) + "# caf\xC3\xA9 \"\n[wizard]\nlink = \"\xC3\xA9\\\" \xC3\xA9\"\n")) << error_;
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

// A language named after a built-in one, natively or in English, is packed
// with its translation; a message given replaces that message alone; any
// other name starts from English.
TEST_F(ManifestTest, BuiltInLanguagesArePackedByNameAndOverriddenOneByOne) {
  ASSERT_TRUE(Load(std::string(kMinimal) +
                   "[[language]]\nname = \"Deutsch\"\n"
                   "[[language]]\nname = \"French\"\nmessages.49 = \"Quitter\"\n"
                   "[[language]]\nname = \"Klingon\"\n"))
      << error_;
  String installer;
  std::string error;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), product_, &installer, &error)) << error;
  Unpacked u = Unpack(installer);
  ASSERT_EQ(u.corrupt, kCorruptNone);
  ASSERT_EQ(u.languages.LanguageCount(), 4);
  EXPECT_EQ(Text(u.languages.names[1]), u"Deutsch");
  EXPECT_EQ(Text(u.languages.names[2]), u"French");  // shown as the manifest names it
  const BuiltinLanguage* german = FindBuiltinLanguage("Deutsch");
  const BuiltinLanguage* french = FindBuiltinLanguage("Français");
  ASSERT_NE(german, nullptr);
  ASSERT_NE(french, nullptr);
  const LanguageMessages english = DefaultEnglish();
  auto packed = [&](int32_t message, int32_t language) {
    return Text(u.languages.messages[message * u.languages.LanguageCount() + language]);
  };
  for (int32_t n = 0; n < kDefaultMessageCount; ++n) {
    EXPECT_EQ(packed(n, 1), Text(german->messages.messages[static_cast<size_t>(n)])) << n;
    if (n != 49) {
      EXPECT_EQ(packed(n, 2), Text(french->messages.messages[static_cast<size_t>(n)])) << n;
    }
    EXPECT_EQ(packed(n, 3), Text(english.messages[static_cast<size_t>(n)])) << n;
  }
  EXPECT_EQ(packed(49, 2), u"Quitter");
  EXPECT_EQ(packed(48, 1), u"&Weiter >");
  EXPECT_EQ(u.languages.current, 0);  // English stays the language before the user chooses
  // A replacement in a built-in language keeps the English placeholders.
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[[language]]\nname = \"Deutsch\"\nmessages.25 = \"%s\"\n")
                .find("this message must hold the placeholders \"%s%s\""),
            std::string::npos);
}

TEST_F(ManifestTest, SampleProductBuildsAndReadsBack) {
  const fs::path sample = fs::path(BX_SOURCE_DIR) / "samples/sample-product/manifest.toml";
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

// Every text the manifest sets comes back from the installer's own reader as
// it was written, characters beyond ASCII included.
TEST_F(ManifestTest, EveryTextFieldSurvivesTheRuntimesReader) {
  struct Field {
    const char* table;
    const char* key;
    String ProductSettings::*member;
  } fields[] = {
      {"product", "publisher", &ProductSettings::Publisher},
      {"product", "description", &ProductSettings::Description},
      {"product", "install_folder", &ProductSettings::DefaultInstallDir},
      {"product", "start_menu_folder", &ProductSettings::ProductStartMenu},
      {"product", "uninstall_key", &ProductSettings::UninstallKeyName},
      {"product", "registry_key", &ProductSettings::ProductRegistry},
      {"product", "uninstall_subfolder", &ProductSettings::UninstallSubdir},
      {"product", "window_title", &ProductSettings::WindowTitle},
      {"product", "shared_folder", &ProductSettings::SharedPath},
      {"product", "password", &ProductSettings::InstallPassword},
      {"product", "no_downgrade_below", &ProductSettings::NoDowngradeBelow},
      {"finish", "run", &ProductSettings::FinishProgram},
      {"finish", "document", &ProductSettings::FinishDocument},
      {"finish", "second_document", &ProductSettings::FinishDocument2},
  };
  std::string product = "[product]\nname = \"Prodüct\"\nversion = \"3.1\"\n";
  std::string finish = "[finish]\n";
  for (const Field& f : fields) {
    (std::string(f.table) == "product" ? product : finish) +=
        std::string(f.key) + " = \"Ü-" + f.key + "-\u2713\"\n";
  }
  ASSERT_TRUE(Load(product + finish + "[files]\nsource = \"files\"\n")) << error_;
  String installer;
  std::string error;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), product_, &installer, &error)) << error;
  Unpacked u = Unpack(installer);
  ASSERT_EQ(u.corrupt, kCorruptNone);
  for (const Field& f : fields) {
    std::u16string expected = u"\u00DC-";
    for (const char* c = f.key; *c; ++c) expected += static_cast<char16_t>(*c);
    expected += u"-\u2713";
    EXPECT_EQ(Text(u.settings.*f.member), expected) << f.key;
  }
  EXPECT_EQ(Text(u.settings.DisplayName), u"Prod\u00FCct");
}

TEST_F(ManifestTest, UninstallEntryValuesReachThePackage) {
  ASSERT_TRUE(Load(std::string(kMinimal) +
                   "[uninstall]\nabout_url = \"https://example.com/\u00E9\"\nhelp_url = \"https://example.com/help\"\n"
                   "[[uninstall.value]]\nname = \"Extra\\\\Size\"\ntype = \"dword\"\ndata = \"4096\"\n"))
      << error_;
  String installer;
  std::string error;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), product_, &installer, &error)) << error;
  Unpacked u = Unpack(installer);
  ASSERT_EQ(u.corrupt, kCorruptNone);
  ASSERT_EQ(u.settings.UninstallValues.Count(), 3);
  const struct {
    const char* name;
    uint8_t type;
    std::u16string text;
  } expected[] = {{"URLInfoAbout", UninstallValue::kString, u"https://example.com/\u00E9"},
                  {"HelpLink", UninstallValue::kString, u"https://example.com/help"},
                  {"Extra\\Size", UninstallValue::kDword, u"4096"}};
  for (int i = 0; i < 3; ++i) {
    const UninstallValue& value = u.settings.UninstallValues[i];
    EXPECT_EQ(Narrow(value.name), expected[i].name);
    EXPECT_EQ(value.type, expected[i].type);
    EXPECT_EQ(Text(value.text), expected[i].text);
  }
}

}  // namespace

namespace {

// What would build but fail or misbehave on the customer's machine is refused
// when the product is built, naming the file, line and key.
TEST_F(ManifestTest, MistakesAreRefusedAtBuildTime) {
  struct Case {
    const char* file;     // written into the files folder, when not null
    const char* extra;    // appended to the minimal manifest
    const char* message;  // part of the error
  } cases[] = {
      {"files/CON", "", "\"CON\": a device name Windows reserves"},
      {"files/sub/nul.txt", "", "\"nul.txt\": a device name"},
      {"files/Com7.log", "", "a device name"},
      {"files/LPT1", "", "a device name"},
      {"files/a<b.txt", "", "the character <"},
      {"files/x:y", "", "the character :"},
      {"files/why?.txt", "", "the character ?"},
      {"files/back\\slash", "", "the character \\"},
      {"files/bell\x07.txt", "", "a control character"},
      {"files/trailing.", "", "a trailing dot or blank"},
      {"files/trailing ", "", "a trailing dot or blank"},
      {"files/latin1-\xE9.txt", "", "is not UTF-8"},
      {"files/README.TXT", "", "\"README.TXT\" and \"readme.txt\" differ only in case"},
      {"files/BIN/app.exe", "", "differ only in case"},
      {nullptr, "[[file]]\npath = \"readme.txt\"\ndestination = \"../outside.txt\"\n", ":8:15: file[0].destination: \"..\""},
      {nullptr, "[[file]]\npath = \"readme.txt\"\ndestination = \"docs\\\\..\\\\..\\\\x\"\n", "\"..\" would place"},
      {nullptr, "", "holds the manifest itself"},  // source = "." below
      {nullptr, "[[uninstall.value]]\nname = \"Size\"\ntype = \"dword\"\ndata = \"big\"\n",
       ":9:8: uninstall.value[0].data: a dword value's data is a whole number"},
      {"licence.txt", "[wizard]\nlicense = \"licence.txt\"\n", "is not UTF-8 text"},
      {nullptr, "", ":2:8: product.name: at most 255 characters"},  // the name of the manifest below
      {nullptr, "", "product.password: at most 64 characters"},
      {nullptr, "", "product.install_folder: at most 236 characters"},
      {nullptr, "", "uninstall.close: 1001 entries; the installer takes at most 1000"},  // made below
      {nullptr, "", "product.registry_key: a part of registry_key between backslashes takes at most 255"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    SetUp();
    if (c.file) Write(c.file, std::string(c.file).find("licence") != std::string::npos ? "Lizenz f\xFCr" : "x");
    std::string manifest = std::string(kMinimal) + c.extra;
    const std::string message = c.message;
    if (message.find("manifest itself") != std::string::npos) {
      manifest.replace(manifest.find("\"files\""), 7, "\".\"");
    } else if (message.find("product.name") != std::string::npos) {
      manifest.replace(manifest.find("Tiny"), 4, std::string(300, 'N'));
    } else if (message.find("password") != std::string::npos) {  // set in the manifest's one [product]
      manifest = "[product]\npassword = \"" + std::string(65, 'p') + "\"\n" + manifest.substr(10);
    } else if (message.find("install_folder") != std::string::npos) {
      manifest = "[product]\ninstall_folder = \"" + std::string(237, 'f') + "\"\n" + manifest.substr(10);
    } else if (message.find("registry_key") != std::string::npos) {
      manifest = "[product]\nregistry_key = \"Vendor\\\\" + std::string(256, 'k') + "\"\n" + manifest.substr(10);
    } else if (message.find("uninstall.close") != std::string::npos) {
      for (int i = 0; i < 1001; ++i) manifest += "[[uninstall.close]]\nwindow_title = \"w\"\n";
    }
    const std::string error = ErrorOf(manifest);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(error.rfind(Path(), 0), 0u) << error;
  }
}

// Names Windows refuses are refused wherever the manifest names a file,
// folder or key, and so are two things that would be one on Windows.
TEST_F(ManifestTest, NamesAndDuplicatesWindowsRefuses) {
  const struct {
    const char* extra;    // appended to the minimal manifest (after [files])
    const char* message;  // part of the error
  } cases[] = {
      {"[[shortcut]]\ntarget = \"readme.txt\"\nname = \"Acme: Read Me?\"\n",
       ":8:8: shortcut[0].name: cannot name a shortcut on Windows: \"Acme: Read Me?\": the character :"},
      {"[[shortcut]]\ntarget = \"readme.txt\"\nname = \"Read Me\"\n[[shortcut]]\ntarget = \"a-first.txt\"\n"
       "name = \"READ ME\"\n",
       "\"a-first.txt\" and \"readme.txt\" are both named \"Read Me\" on the Start Menu"},
      {"[[association]]\nextension = \".acme\"\ncommand = \"x.exe\"\n[[association]]\nextension = \"ACME\"\n"
       "command = \"x.exe\"\n",
       ":10:13: association[1].extension: \".ACME\" is associated twice"},
      {"[[association]]\nextension = \".acme\"\ncommand = \"\\\"%InstallDir%\\\\a|b.exe\\\" \\\"%1\\\"\"\n",
       "the command's program \"%InstallDir%\\a|b.exe\" cannot be a Windows path: \"a|b.exe\": the character |"},
      {"[[shortcut]]\ntarget = \"readme.txt\"\n[[shortcut]]\ntarget = \"bin/app.exe\"\nname = \"README.TXT\"\n",
       "\"bin/app.exe\" and \"readme.txt\" are both named \"readme.txt\" on the Start Menu"},  // one named after its file
      {"[[language]]\nname = \"Deutsch\"\n[[language]]\nname = \"deutsch\"\n",
       ":9:8: language[1].name: a second language named \"deutsch\""},
      {"[[language]]\nname = \"English\"\n", "a second language named \"English\""},
      {"[registry]\nentries = [\"HKXX\\\\Software\\\\Acme\"]\n", "registry.entries: \"HKXX\\Software\\Acme\": the key "
                                                               "path must begin with a root key"},
      {"[registry]\nentries = [\"HKCU\\\\Software\\\\Acme<1>,v,1,x,1\"]\n",
       "the key path cannot be written: \"Acme<1>\": the character <"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    SetUp();
    EXPECT_NE(ErrorOf(std::string(kMinimal) + c.extra).find(c.message), std::string::npos) << error_;
  }
  const struct {
    const char* key;
    const char* value;
    const char* message;
  } folders[] = {
      {"install_folder", "Acme\\\\Notes:Pro", "product.install_folder: \"Acme\\Notes:Pro\" cannot be a Windows folder: "
                                              "\"Notes:Pro\": the character :"},
      {"start_menu_folder", "Acme\\\\Notes?", "product.start_menu_folder: \"Acme\\Notes?\" cannot be a Windows folder"},
      {"install_folder", "C:\\\\Acme\\\\CON", "\"CON\": a device name"},
      {"registry_key", "Acme\\\\Notes|Pro", "product.registry_key: \"Acme\\Notes|Pro\" cannot be a Windows registry key: "
                                            "\"Notes|Pro\": the character |"},
      {"uninstall_key", "Acme\\u0001Notes", "product.uninstall_key: \"Acme\x01Notes\" cannot be a Windows registry key"},
  };
  for (const auto& f : folders) {
    SCOPED_TRACE(f.message);
    const std::string manifest = "[product]\n" + std::string(f.key) + " = \"" + f.value + "\"\n" + (kMinimal + 10);
    EXPECT_NE(ErrorOf(manifest).find(f.message), std::string::npos) << error_;
  }
  // What Windows takes: a drive, a share, the installer's placeholders,
  // every file type's key and a content type's.
  ASSERT_TRUE(Load("[product]\ninstall_folder = \"\\\\\\\\server\\\\apps\\\\<product>\\\\\"\n"
                   "start_menu_folder = \"<product> Tools\"\n" + std::string(kMinimal + 10) +
                   "[registry]\nentries = [\"HKCR\\\\*\\\\shellex\", \"HKCR\\\\MIME\\\\Database\\\\Content Type\\\\text/x-acme\", "
                   "\"\\\\HKAU\\\\Software\\\\Acme\"]\n[[shortcut]]\ntarget = \"readme.txt\"\nname = \"Docs\\\\Read Me\"\n"
                   "[[shortcut]]\ntarget = \"a-first.txt\"\nname = \"Read Me\"\n"
                   "[[association]]\nextension = \".acme\"\ncommand = \"\\\"C:\\\\Acme\\\\a.exe\\\" \\\"%1\\\"\"\n"))
      << error_;
  // Excludes match as Windows names do, without regard to case.
  ASSERT_TRUE(Load(std::string(kMinimal) + "exclude = [\"*.PDB\"]\n")) << error_;
  EXPECT_EQ(product_.excluded, std::vector<std::string>{"bin/app.pdb"});
}

// A replaced message that loses or adds a placeholder is told which the
// installer passes.
TEST_F(ManifestTest, AMessageKeepsItsPlaceholders) {
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[messages]\n\"25\" = \"The folder could not be made.\"\n")
                .find("messages.25: this message must hold the placeholders \"%s%s\" (folder, reason), in that order"),
            std::string::npos)
      << error_;
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[messages]\n\"21\" = \"100% wrong\"\n")
                .find("messages.21: this message holds no placeholders; write % as %%"),
            std::string::npos)
      << error_;
}

// The package's limits are found before a byte is compressed (sparse files
// stand in for large ones).
TEST_F(ManifestTest, SizeLimitsAreFoundBeforePacking) {
  const auto sized = [this](const std::string& relative, uint64_t size) {
    Write(relative, "");
    fs::resize_file(folder_ / relative, size);
  };
  sized("files/big.dat", (1ull << 30) + 1);
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[[file]]\npath = \"big.dat\"\n")
                .find(":7:8: file[0].path: \"big.dat\" has 1073741825 bytes; a packaged file may have at most 1 GiB"),
            std::string::npos)
      << error_;
  EXPECT_NE(ErrorOf(kMinimal).find(":5:10: files.source: \"big.dat\" has 1073741825 bytes"), std::string::npos) << error_;
  sized("files/big.dat", 1ull << 30);
  sized("files/big2.dat", 1ull << 30);
  EXPECT_NE(ErrorOf("[package]\ncompress = false\n" + std::string(kMinimal))
                .find("files.source: the files come to 2.0 GiB (2147483677 bytes), and one installer carries at "
                      "most 2 GiB of file data; leave some out"),
            std::string::npos)
      << error_;
  ASSERT_TRUE(Load(kMinimal)) << error_;
  EXPECT_NE(product_.warnings.back().find("the build fails unless they compress below it"), std::string::npos);
}

// A link in the files' folder is packed under its own name when it points
// into the folder, and refused, never skipped, otherwise.
TEST_F(ManifestTest, LinksInTheFilesFolder) {
  fs::create_symlink("readme.txt", folder_ / "files" / "see-also.txt");
  ASSERT_TRUE(Load(kMinimal)) << error_;
  ASSERT_EQ(product_.files.size(), 5u);
  EXPECT_EQ(Narrow(product_.files[4].entry.name), "see-also.txt");
  const struct {
    const char* target;
    const char* message;
  } refused[] = {
      {"../product.toml", "files.source: \"link\" is a link to \""},  // outside
      {"bin", "files.source: \"link\" is a link to a folder, which the builder does not follow"},
      {".", "is a link to a folder"},  // a loop
      {"gone.txt", "\"link\" is a link to nothing (gone.txt)"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.target);
    fs::remove(folder_ / "files" / "link");
    fs::create_symlink(c.target, folder_ / "files" / "link");
    EXPECT_NE(ErrorOf(kMinimal).find(c.message), std::string::npos) << error_;
  }
  EXPECT_NE(error_.find(":5:10: "), std::string::npos) << error_;
}

// A licence saved as UTF-16 with its byte-order mark is taken as it is.
TEST_F(ManifestTest, AUtf16LicenceIsRead) {
  const char16_t licence[] = u"Lizenz f\u00FCr dich\n";
  for (const bool little : {true, false}) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t* c = licence; *c; ++c) {
      const char low = static_cast<char>(*c & 0xFF), high = static_cast<char>(*c >> 8);
      bytes += little ? std::string{low, high} : std::string{high, low};
    }
    Write("licence.txt", bytes);
    ASSERT_TRUE(Load(std::string(kMinimal) + "[wizard]\nlicense = \"licence.txt\"\n")) << error_;
    ASSERT_EQ(product_.settings.LicenseTexts.Count(), 1);
    EXPECT_EQ(Text(product_.settings.LicenseTexts[0]), u"Lizenz f\u00FCr dich\r\n");
  }
}

// Without its own key, a product's Uninstall entry is named after it and
// shared with any other product of that name: the vendor hears so.
TEST_F(ManifestTest, AnUnsetUninstallKeyIsWarnedAbout) {
  ASSERT_TRUE(Load(kMinimal)) << error_;
  ASSERT_EQ(product_.warnings.size(), 1u);
  EXPECT_EQ(product_.warnings[0], Path() + ":1:1: product.uninstall_key: not set, so the product's Uninstall entry is "
                                           "named \"Tiny\", and another vendor's product of that name would take it "
                                           "over; set a key unique to you, such as \"YourCompany.Tiny\"");
  ASSERT_TRUE(Load("[product]\nname = \"Tiny\"\nversion = \"2.0\"\nuninstall_key = \"Acme.Tiny\"\n"
                   "[files]\nsource = \"files\"\n"))
      << error_;
  EXPECT_TRUE(product_.warnings.empty());
}

TEST_F(ManifestTest, AnEmptyFileSetMustBeMeantAndExcludesMustMatch) {
  fs::remove_all(folder_ / "files");
  fs::create_directories(folder_ / "files");
  EXPECT_NE(ErrorOf(kMinimal).find("holds no files to package; add them, or set allow_empty = true"),
            std::string::npos)
      << error_;
  ASSERT_TRUE(Load(std::string(kMinimal) + "allow_empty = true\n")) << error_;
  EXPECT_TRUE(product_.files.empty());

  SetUp();
  ASSERT_TRUE(Load(std::string(kMinimal) + "exclude = [\"*.pdb\", \"*.obj\"]\n")) << error_;
  ASSERT_EQ(product_.warnings.size(), 2u);  // the first: no uninstall_key
  EXPECT_NE(product_.warnings[1].find("files.exclude: \"*.obj\" matches no file"), std::string::npos);
  EXPECT_EQ(product_.excluded, std::vector<std::string>{"bin/app.pdb"});
}

}  // namespace

namespace {

// Files dated by their checkout are dated no later than SOURCE_DATE_EPOCH, so
// two checkouts build the same installer; older files keep their dates.
TEST_F(ManifestTest, SourceDateEpochClampsFileDates) {
  const auto old_time = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(946684800)));
  fs::last_write_time(folder_ / "files/a-first.txt", old_time);  // 2000-01-01 00:00:00
  setenv("SOURCE_DATE_EPOCH", "1000000000", 1);                  // 2001-09-09 01:46:40
  ASSERT_TRUE(Load(kMinimal)) << error_;
  String first, second;
  std::string error;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), product_, &first, &error)) << error;
  fs::last_write_time(folder_ / "files/readme.txt", fs::file_time_type::clock::now());  // a later checkout
  ASSERT_TRUE(Load(kMinimal)) << error_;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), product_, &second, &error)) << error;
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_TRUE(first == second);
  for (const PackageFile& file : product_.files) {
    const std::vector<int32_t> date(file.entry.date, file.entry.date + 6);
    if (file.source_path.find("a-first") != std::string::npos) {
      EXPECT_EQ(date, (std::vector<int32_t>{2000, 1, 1, 0, 0, 0}));
    } else {
      EXPECT_EQ(date, (std::vector<int32_t>{2001, 9, 9, 1, 46, 40})) << file.source_path;
    }
  }
}

}  // namespace

namespace {

// The user guide's key reference is what --help prints, so the two cannot
// drift apart.
TEST(ManifestReference, TheUserGuideCarriesIt) {
  const fs::path guide = fs::path(BX_SOURCE_DIR) / "docs" / "user-guide.md";
  std::ifstream in(guide, std::ios::binary);
  ASSERT_TRUE(in) << guide;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(std::string(kManifestReference) + kActionsReference), std::string::npos)
      << "docs/user-guide.md: paste the output of setup-builder --help under \"Every manifest key\"";
}

TEST_F(ManifestTest, BackgroundAndWizardLookReachTheSettings) {
  const String back = MakeTestBitmap(2, 2, 0x808080);
  Write("back.bmp", std::string(back.c_str(), static_cast<size_t>(back.length())));
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
  EXPECT_EQ(Narrow(s.BackgroundBitmap), std::string(back.c_str(), static_cast<size_t>(back.length())));
  EXPECT_TRUE(s.Flag(product_flag::kBackgroundBitmap));
  EXPECT_EQ(s.BitmapSize, 50);
  EXPECT_EQ(s.StretchMode, 3);

  Write("not.bmp", "GIF89a");
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[background]\ntop_color = \"blue\"\n").find("#RRGGBB"),
            std::string::npos);
  EXPECT_NE(ErrorOf(std::string(kMinimal) + "[background]\nbitmap = \"not.bmp\"\n").find("not a .bmp"),
            std::string::npos);
  // A bitmap without a size shows over the whole window rather than not at all.
  ASSERT_TRUE(Load(std::string(kMinimal) + "[background]\nbitmap = \"back.bmp\"\n")) << error_;
  EXPECT_EQ(product_.settings.BitmapSize, 100);
}

}  // namespace

namespace {

// Inputs the manifest fuzz target found, each once a fault in the TOML
// reader: they must end in a refusal that names the place, whatever the
// reader would have done with them.
TEST(ManifestFuzzFindings, EndInARefusalWithThePlace) {
  const struct {
    std::string text;
    std::string error;
  } findings[] = {
      // A bare character beyond ASCII as the whole manifest (U+0194).
      {"\xC6\x94", "fuzz.toml:1:1: a character beyond ASCII outside a quoted string; put the text in quotes"},
      // The same after a key, and a lead byte that the text cuts short.
      {"a = 1\nb\xC6\x94", "fuzz.toml:2:2: a character beyond ASCII outside a quoted string; put the text in quotes"},
      {"a = \"\xC6", "fuzz.toml:1:6: the manifest is not UTF-8 text here; save it as UTF-8"},
      // The fuzzer's input: U+FE7F, which the TOML reader's whitespace test
      // has no answer for, among NULs and control bytes.
      {std::string("add_to_patlassoce_size = 10\n\0\0Etivlasugxssoce_'@\x01\x1F\xEF\xB9\xBF\"puexte\"\"y#", 48),
       "fuzz.toml:2:1: Error while parsing root table: expected keys, tables, whitespace or comments, saw "
       "'\\u0000'"},
      // U+FE7F where the reader tests for whitespace inside strings: after a
      // line-ending backslash, and right after a backslash; after a
      // byte-order mark too.
      {"a = \"\"\"x\\  \n  \xEF\xB9\xBFy\"\"\"", "fuzz.toml:2:3: a character beyond ASCII right after a line-ending backslash; begin the line with an ASCII character"},
      {"a = \"x\\\xEF\xB9\xBF\"", "fuzz.toml:1:8: a character beyond ASCII outside a quoted string; put the text in quotes"},
      {"\xEF\xBB\xBF\xEF\xB9\xBF", "fuzz.toml:1:1: a character beyond ASCII outside a quoted string; put the text in quotes"},
  };
  for (const auto& finding : findings) {
    Product product;
    std::string error;
    EXPECT_FALSE(ParseManifest(finding.text, "fuzz.toml", &product, &error));
    EXPECT_EQ(error, finding.error);
  }
}

}  // namespace

// The exit codes the installer and its uninstaller end with travel as a
// flag of the package header; the winget identifier stays with the builder.
TEST_F(ManifestTest, ExitCodesAndPackageId) {
  const char kProduct[] = "[product]\nname = \"Tiny\"\nversion = \"2.0\"\n";
  const char kFiles[] = "[files]\nsource = \"files\"\n";
  const struct {
    const char* line;
    bool deployment;
  } cases[] = {{"", false}, {"exit_codes = \"classic\"\n", false}, {"exit_codes = \"deployment\"\n", true}};
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(std::string(kProduct) + c.line + kFiles)) << error_;
    EXPECT_EQ(product_.settings.Flag2(product_flag2::kDeploymentExitCodes), c.deployment) << c.line;
  }
  EXPECT_NE(ErrorOf(std::string(kProduct) + "exit_codes = \"msi\"\n" + kFiles)
                .find(":4:14: product.exit_codes: expected one of \"classic\", \"deployment\""),
            std::string::npos)
      << error_;
  ASSERT_TRUE(Load(std::string(kProduct) + "package_id = \"Acme.Tiny\"\n" + kFiles)) << error_;
  EXPECT_EQ(product_.package_id, "Acme.Tiny");
}
