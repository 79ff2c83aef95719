#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "builder/manifest.h"
#include "package/action_settings.h"

namespace {

std::u16string Text(const String& wide) { return std::u16string(wide.w_str(), static_cast<size_t>(wide.wlength())); }
std::string Narrow(const String& text) { return std::string(text.c_str(), static_cast<size_t>(text.length())); }

// The manifest in a folder of its own with an app, an applet and a merge file.
bool Parse(const std::string& rest, Product* product, std::string* error) {
  std::string folder = (std::filesystem::temp_directory_path() / "bx-manifest-XXXXXX").string();
  if (!mkdtemp(folder.data())) return false;
  std::ofstream(folder + "/app.exe") << "app";
  std::ofstream(folder + "/panel.cpl") << "cpl";
  std::ofstream(folder + "/setup.msi") << "msi";
  std::ofstream(folder + "/extra.reg") << "REGEDIT4\r\n";
  const std::string text = "[product]\nname = \"P\"\nversion = \"1\"\nuninstall_key = \"Acme.P\"\n[files]\nsource = \".\"\nexclude = [\"*.reg\"]\n" + rest;
  const bool parsed = ParseManifest(text, folder + "/manifest.toml", product, error);
  std::filesystem::remove_all(folder);
  return parsed;
}

const EntryRecord* Entry(const Product& product, const char* name) {
  for (const PackageFile& file : product.files) {
    if (Narrow(file.entry.name) == name) return &file.entry;
  }
  return nullptr;
}

TEST(ManifestActions, EveryActionReachesItsSettings) {
  Product product;
  std::string error;
  ASSERT_TRUE(Parse("[registry]\n"
                    "entries = ['HKLM\\Software\\Acme', 'HKLM\\Software\\Acme,Size,4,42,3']\n"
                    "merge_file = \"extra.reg\"\n"
                    "[[association]]\nextension = \"acme\"\nprog_id = \"!\"\ncommand = '\"%InstallDir%\\app.exe\" \"%1\"'\n"
                    "mode = \"default-verb\"\n"
                    "[actions]\nfirewall = [\"8080;Acme;3;1\"]\nadd_to_path = true\npath_subfolder = \"bin\"\n"
                    "restore_point = true\npin_command = '\"%InstallDir%\\app.exe\" /x'\nlog_shortcut = true\n"
                    "[[file]]\npath = \"panel.cpl\"\nkind = \"control-panel\"\n"
                    "class_id = \"{6A2C1F00-0000-4B1D-9A6E-B0B0B0B0B0B1}\"\n"
                    "[[file]]\npath = \"setup.msi\"\nkind = \"msi\"\nmsi_ui_level = 3\n",
                    &product, &error))
      << error;
  const ProductSettings& s = product.settings;
  EXPECT_EQ(Text(s.RegistryEntries), u"HKLM\\Software\\Acme\r\nHKLM\\Software\\Acme,Size,4,42,3");
  EXPECT_EQ(Text(s.RegistryMerge), u"REGEDIT4\r\n");
  ASSERT_EQ(s.Associations.Count(), 1);
  EXPECT_EQ(Narrow(s.Associations[0].extension), ".acme");
  EXPECT_EQ(Narrow(s.Associations[0].prog_id), "!");
  EXPECT_EQ(s.Associations[0].mode, 1);
  EXPECT_EQ(Text(s.Reserved14), u"8080;Acme;3;1");
  EXPECT_TRUE(s.Flag(product_flag::kAddToPath));
  EXPECT_TRUE(s.Flag2(product_flag2::kRestorePoint));
  EXPECT_TRUE(s.Flag(product_flag::kLogShortcut));
  ActionSettings values;
  ASSERT_TRUE(ReadActionSettings(s.InstallActionSettings, &values));
  EXPECT_EQ(Text(values.path_subfolder), u"bin");
  EXPECT_EQ(Text(values.pin_command), u"\"%InstallDir%\\app.exe\" /x");
  const EntryRecord* applet = Entry(product, "panel.cpl");
  ASSERT_NE(applet, nullptr);
  EXPECT_EQ(applet->kind, entry_kind::kControlPanel);
  EXPECT_EQ(Narrow(applet->working_folder), "{6A2C1F00-0000-4B1D-9A6E-B0B0B0B0B0B1}");
  const EntryRecord* msi = Entry(product, "setup.msi");
  ASSERT_NE(msi, nullptr);
  EXPECT_EQ(msi->kind, entry_kind::kMsi);
  EXPECT_EQ(msi->msi_option, 3u);
  EXPECT_TRUE(msi->flags & entry_flag::kRememberMsi);
  EXPECT_TRUE(product.warnings.empty());
}

TEST(ManifestActions, FaultsNameTheirKey) {
  const struct {
    const char* manifest;
    const char* expected;
  } cases[] = {
      {"[registry]\nentries = ['HKLM\\Software\\A,V,4,notanumber,1']\n", "registry.entries: \"HKLM"},
      {"[registry]\nentries = ['HKLM\\Software\\A,V,9,1,1']\n", "value type must be"},
      {"[actions]\nfirewall = [\"70000;A;1;0\"]\n", "actions.firewall: \"70000;A;1;0\": port must be"},
      {"[actions]\nfirewall = [\"80;A;1\"]\n", "four fields"},
      {"[[association]]\nextension = \".a\"\n", "association[0].extension: command must not be empty"},
      {"[actions]\npath_subfolder = \"bin\"\n", "actions.path_subfolder: needs add_to_path = true"},
      {"[actions]\nshared_folder_rights = true\n", "needs folder_rights = true"},
      {"[actions]\npin = \"x\"\n", "actions.pin: unknown key"},
      {"[[file]]\npath = \"panel.cpl\"\nkind = \"control-panel\"\n", "file[0].class_id: a control-panel applet"},
      {"[[file]]\npath = \"setup.msi\"\nkind = \"msi\"\nmsi_ui_level = 9\n", "expected a number from 2 to 5"},
  };
  for (const auto& c : cases) {
    Product product;
    std::string error;
    EXPECT_FALSE(Parse(c.manifest, &product, &error)) << c.manifest;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.manifest << "\n" << error;
    EXPECT_NE(error.find("manifest.toml:"), std::string::npos) << error;
  }
}

TEST(ManifestActions, FolderRightsAreWarnedAbout) {
  Product product;
  std::string error;
  ASSERT_TRUE(Parse("[actions]\nfolder_rights = true\nshared_folder_rights = true\n", &product, &error)) << error;
  ASSERT_EQ(product.warnings.size(), 2u);
  EXPECT_NE(product.warnings[0].find("actions.folder_rights: every user may"), std::string::npos) << product.warnings[0];
  EXPECT_NE(product.warnings[1].find("other products use too"), std::string::npos) << product.warnings[1];
  EXPECT_TRUE(product.settings.Flag(product_flag::kGrantSharedRights));
}

}  // namespace
