#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "actions/file_deletion.h"
#include "builder/manifest.h"

namespace {

std::u16string Text(const String& wide) { return std::u16string(wide.w_str(), static_cast<size_t>(wide.wlength())); }
std::string Narrow(const String& text) { return std::string(text.c_str(), static_cast<size_t>(text.length())); }

// The manifest lives in a folder of its own, so that its file set is one
// known file, whatever else the temporary folder holds.
bool Parse(const std::string& uninstall, Product* product, std::string* error,
           const std::string& product_keys = "name = \"P\"\n") {
  std::string folder = (std::filesystem::temp_directory_path() / "bx-manifest-XXXXXX").string();
  if (!mkdtemp(folder.data())) return false;
  std::ofstream(folder + "/app.exe") << "app";
  const std::string text =
      "[product]\n" + product_keys + "version = \"1\"\n[files]\nsource = \".\"\n" + uninstall;
  const bool parsed = ParseManifest(text, folder + "/manifest.toml", product, error);
  std::filesystem::remove_all(folder);
  return parsed;
}

TEST(ManifestUninstall, RemovalOptionsReachTheSettings) {
  Product product;
  std::string error;
  ASSERT_TRUE(Parse("[uninstall]\n"
                    "batch_before = \"\"\"\nset > env.txt\npause\n\"\"\"\n"
                    "batch_after_hidden = true\n"
                    "keep_log = true\n"
                    "delete_folder_with_contents = true\n"
                    "support_offer = \"https://example.com/help\"\n"
                    "[[uninstall.close]]\nwindow_title = \"*Tool\"\nprogram = \"Tool\"\naction = \"terminate\"\n"
                    "[[uninstall.delete]]\npattern = \"logs\\\\*.log\"\nwhen = \"both\"\n"
                    "condition = \"size-at-least\"\nvalue = \"10\"\nat_restart_on_failure = true\n",
                    &product, &error))
      << error;
  const ProductSettings& s = product.settings;
  EXPECT_EQ(Text(s.UninstallBatch1), u"set > env.txt\r\npause\r\n");
  EXPECT_TRUE(s.Flag(product_flag::kHideUninstallBatch2));
  EXPECT_FALSE(s.Flag(product_flag::kHideUninstallBatch1));
  EXPECT_TRUE(s.Flag(product_flag::kUninstallKeepsLog));
  EXPECT_TRUE(s.Flag(product_flag::kDeleteFolderWithContents));
  EXPECT_EQ(Text(s.SupportOffer), u"https://example.com/help");
  ASSERT_EQ(s.ProgramsToClose.Count(), 1);
  EXPECT_EQ(Narrow(s.ProgramsToClose[0].window_title), "*Tool");
  EXPECT_EQ(s.ProgramsToClose[0].action, 3);
  ASSERT_EQ(s.FileDeletions.Count(), 1);
  EXPECT_EQ(Narrow(s.FileDeletions[0].name), "logs\\*.log");
  EXPECT_EQ(s.FileDeletions[0].mode, kDeleteIfSizeAtLeast);
  EXPECT_EQ(s.FileDeletions[0].flags,
            FileDeletion::kAtInstall | FileDeletion::kAtUninstall | deletion_flag::kAtRestartOnFailure);
}

// "<Start Menu programs>\<folder>\Uninstall <product>.lnk" must stay within
// the path limit in every language, with room for the longest programs
// folder (a user's own: 84 characters).
TEST(ManifestUninstall, TheUninstallShortcutPathIsHeldToThePathLimit) {
  const std::string sixty(60, 'N');
  struct Case {
    const char* what;
    std::string product;
    std::string rest;
    bool accepted;
  };
  const Case cases[] = {
      {"a 60-character name in its own folder", "name = \"" + sixty + "\"\n", "", true},
      // 84 + 100 + 1 + "Uninstall " 10 + 60 + ".lnk" 4 = 259
      {"a folder that just fits", "name = \"" + sixty + "\"\nstart_menu_folder = \"" + std::string(100, 'F') + "\"\n",
       "", true},
      {"a folder one character longer",
       "name = \"" + sixty + "\"\nstart_menu_folder = \"" + std::string(101, 'F') + "\"\n", "", false},
      {"no Start Menu shortcut", "name = \"" + sixty + "\"\nstart_menu_folder = \"" + std::string(101, 'F') + "\"\n",
       "[uninstall]\nstart_menu_shortcut = false\n", true},
      // English fits (256); the German name is 5 characters longer (261).
      {"a longer shortcut name in a second language",
       "name = \"" + sixty + "\"\nstart_menu_folder = \"" + std::string(97, 'F') + "\"\n",
       "[[language]]\nname = \"Deutsch\"\n[language.messages]\n33 = \"<product> deinstallieren\"\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Product product;
    std::string error;
    EXPECT_EQ(Parse(c.rest, &product, &error, c.product), c.accepted) << error;
    if (!c.accepted) {
      EXPECT_NE(error.find("start_menu_folder"), std::string::npos) << error;
      EXPECT_NE(error.find(".lnk\" in the Start Menu folder would have a path of"), std::string::npos) << error;
    }
  }
}

TEST(ManifestUninstall, RulesWithoutAnythingToMatchAreRefused) {
  Product product;
  std::string error;
  EXPECT_FALSE(Parse("[[uninstall.close]]\nprogram = \"Tool\"\n", &product, &error));
  EXPECT_NE(error.find("window title or class"), std::string::npos) << error;
  EXPECT_FALSE(Parse("[[uninstall.delete]]\nwhen = \"install\"\n", &product, &error));
  EXPECT_FALSE(Parse("[[uninstall.delete]]\npattern = \"a\"\ncondition = \"sometimes\"\n", &product, &error));
}

}  // namespace
