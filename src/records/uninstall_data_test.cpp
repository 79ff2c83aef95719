#include "records/uninstall_data.h"

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "core/file_errors.h"
#include "core/format.h"
#include "records/marked_path.h"
#include "records/records_test_util.h"

namespace {

// Two languages, the second current, so that loading back has to find the
// right column of the message grid.
LanguageTable TwoLanguages() {
  LanguageTable table;
  table.names.Add(String(u"Deutsch"));
  table.names.Add(String(u"English"));
  table.current = 1;
  table.product = String(u"Bastionix Demo");
  table.messages.Resize(112 * 2);
  for (int32_t n : kUninstallMessages) {
    table.messages[n * 2] = FormatW(u"Meldung %d", n);
    table.messages[n * 2 + 1] = FormatW(u"Message %d", n);
  }
  return table;
}

std::string MessageOf(const LanguageTable& table, int32_t n) { return Text(Utf16ToUtf8(MessageText(table, n))); }

std::string StringsSection(const char* message_10, const char* title) {
  std::string out = "\r\n\r\n[Strings]\r\n";
  for (int32_t n : kUninstallMessages) {
    out += "~" + std::to_string(n) + "\r\n" + (n == 10 ? message_10 : "Message " + std::to_string(n)) + "\r\n";
  }
  return out + "~999\r\n" + title + "\r\n";
}

TEST(UninstallData, APlainProductHasTheRecordListAndStringsOnly) {
  UninstallRecords records;
  records.records = String("C:\\App\\app.exe\r\n~C:\\App\r\n");
  ProductSettings settings;
  settings.WindowTitle = String(u"<product> Setup");
  FileDeletion at_install;  // deleted while installing: not the uninstaller's business
  at_install.name = String("C:\\App\\old.dll");
  at_install.flags = FileDeletion::kAtInstall;
  settings.FileDeletions.Add(at_install);
  LanguageTable languages = TwoLanguages();
  languages.messages[10 * 2 + 1] = String(u"<product> is gone.\r\nBye \u00E9");

  const String bytes = BuildUninstallData(records, settings, languages);
  EXPECT_EQ(Text(bytes), "C:\\App\\app.exe\r\n~C:\\App\r\n" +
                             StringsSection("Bastionix Demo is gone.\r\nBye \xC3\xA9", "Bastionix Demo Setup"));
}

// Everything the file can hold, as an installation leaves it.
struct FullProduct {
  UninstallRecords records;
  ProductSettings settings;
  LanguageTable languages = TwoLanguages();

  FullProduct() {
    records.records = String("C:\\App\\app.exe\r\n~C:\\App\r\n!HKLM\\Software\\App\\Run\r\n^HKCU\\Software\\App\r\n"
                             "*HKLM\\Software\\App64\r\n");
    records.records.Append(MarkPath(u"C:\\App\\\u00DCbersicht.txt"));
    records.records.Append("\r\n");
    records.associations =
        String(".bxd~!~Bastionix.Document~!~open~!~C:\\App\\doc.ico\r\n.bxe~!~Bastionix.Edit~!~edit~!~\r\n");
    records.firewall = String("C:\\App\\server.exe;App Server;0;\r\n8080;App Port;3;2\r\n");
    records.inf = String("C:\\Windows\\INF\\oem3.inf\r\n|C:\\Windows\\INF\\\xC3\xA9.inf\r\n");
    records.msi = String("\"C:\\App\\a.msi\",2\r\n\"C:\\App\\b, c.msi\",5\r\n");

    settings.WindowTitle = String(u"Bastionix Demo \u2013 Setup");
    CloseRule rule;
    rule.window_class = String("*AppWindow");
    rule.window_title = String("App, \"main\" window ");
    rule.display_name = String("Bastionix App");
    rule.action = 2;
    settings.ProgramsToClose.Add(rule);
    rule.window_class = String("AppTray");
    rule.window_title = String();
    rule.display_name = String("#tray");
    rule.action = 3;
    settings.ProgramsToClose.Add(rule);
    settings.RegistryEntries =
        String(u"HKLM\\Software\\App\r\nHKLM\\Software\\App,Path,1,\"C:\\\u00C4pp\",2\r\n");
    FileDeletion deletion;
    deletion.name = String("C:\\App\\*.tmp");
    deletion.mode = 5;
    deletion.path = String("1024");
    deletion.flags = FileDeletion::kAtUninstall | 1;
    settings.FileDeletions.Add(deletion);
    deletion.name = String("C:\\App\\cache, old\\*.*");
    deletion.mode = 2;
    deletion.path = String("2024/03/09 14:05:07");
    deletion.flags = FileDeletion::kAtUninstall | FileDeletion::kAtInstall;
    settings.FileDeletions.Add(deletion);
    languages.messages[10 * 2 + 1] = String(u"First line\r\n\r\n  indented line\r\nlast line  \r\n\r\n");
  }
};

TEST(UninstallData, EverySectionComesBackAsItWasWritten) {
  FullProduct product;
  const String bytes = BuildUninstallData(product.records, product.settings, product.languages);
  const std::string text = Text(bytes);
  // The sections in their order, each after a blank line.
  size_t at = 0;
  for (const char* header : {"\r\n\r\n[Strings]\r\n", "\r\n\r\n[AutoClose]\r\n*AppWindow,\"App, \"\"main\"\" window \","
                             "Bastionix App,2\r\nAppTray,,\"#tray\",3\r\n",
                             "\r\n\r\n[Associations]\r\n", "\r\n\r\n[Firewall]\r\n", "\r\n\r\n[INF]\r\n",
                             "\r\n\r\n[MSI]\r\n", "\r\n\r\n[Registry2]\r\nHKLM\\Software\\App\r\n",
                             "\r\n\r\n[ConditionalDelete]\r\nC:\\App\\*.tmp,5,1024,9\r\n"
                             "\"C:\\App\\cache, old\\*.*\",2,2024/03/09 14:05:07,12\r\n"}) {
    const size_t found = text.find(header, at);
    ASSERT_NE(found, std::string::npos) << header;
    at = found;
  }
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  UninstallDataLists lists;
  ProductSettings settings;
  LanguageTable languages;
  ParseUninstallData(bytes, lists, settings, languages);

  // Written again from what was loaded, the file is the same.
  UninstallRecords again;
  again.associations = product.records.associations;
  again.firewall = product.records.firewall;
  again.inf = product.records.inf;
  again.msi = product.records.msi;
  for (const String& record : lists.records) {
    if (record.empty()) continue;
    again.records.Append(record);
    again.records.Append("\r\n");
  }
  // The message text lost only its trailing white space.
  product.languages.messages[10 * 2 + 1] = String(u"First line\r\n\r\n  indented line\r\nlast line");
  EXPECT_EQ(Text(BuildUninstallData(again, settings, languages)),
            Text(BuildUninstallData(product.records, product.settings, product.languages)));

  // And each part is where the uninstaller looks for it.
  ASSERT_EQ(lists.records.Count(), 8);  // six records and the blank lines before [Strings]
  EXPECT_EQ(Text(lists.records[1]), "~C:\\App");
  EXPECT_EQ(Wide(UnmarkPath(lists.records[5])), u"C:\\App\\\u00DCbersicht.txt");
  EXPECT_TRUE(lists.records[6].empty() && lists.records[7].empty());

  EXPECT_EQ(MessageOf(languages, 10), "First line\r\n\r\n  indented line\r\nlast line");
  EXPECT_EQ(MessageOf(languages, 111), "Message 111");
  EXPECT_EQ(Wide(settings.WindowTitle), u"Bastionix Demo \u2013 Setup");

  ASSERT_EQ(settings.ProgramsToClose.Count(), 2);
  EXPECT_EQ(Text(settings.ProgramsToClose[0].window_title), "App, \"main\" window ");
  EXPECT_TRUE(ClosesAfterConfirmation(settings.ProgramsToClose[0]));
  EXPECT_TRUE(settings.ProgramsToClose[1].window_title.empty());
  EXPECT_EQ(Text(settings.ProgramsToClose[1].display_name), "#tray");
  EXPECT_FALSE(ClosesAfterConfirmation(settings.ProgramsToClose[1]));

  ASSERT_EQ(lists.associations.Count(), 2);
  EXPECT_EQ(Text(lists.associations[0].file_type), "Bastionix.Document");
  EXPECT_EQ(Text(lists.associations[0].icon), "C:\\App\\doc.ico");
  EXPECT_EQ(Text(lists.associations[1].verb), "edit");
  EXPECT_TRUE(lists.associations[1].icon.empty());
  ASSERT_EQ(lists.firewall.Count(), 2);
  EXPECT_EQ(Text(lists.firewall[1]), "8080;App Port;3;2");
  ASSERT_EQ(lists.inf.Count(), 2);
  EXPECT_EQ(Wide(UnmarkPath(lists.inf[1])), u"C:\\Windows\\INF\\\u00E9.inf");
  ASSERT_EQ(lists.msi.Count(), 2);
  EXPECT_EQ(Text(lists.msi[1]), "\"C:\\App\\b, c.msi\",5");

  EXPECT_EQ(Wide(settings.RegistryEntries), Wide(product.settings.RegistryEntries));
  ASSERT_EQ(settings.FileDeletions.Count(), 2);
  EXPECT_EQ(Text(settings.FileDeletions[1].name), "C:\\App\\cache, old\\*.*");
  EXPECT_EQ(settings.FileDeletions[1].mode, 2);
  EXPECT_EQ(Text(settings.FileDeletions[1].path), "2024/03/09 14:05:07");
  EXPECT_EQ(settings.FileDeletions[1].flags, FileDeletion::kAtUninstall | FileDeletion::kAtInstall);
}

TEST(UninstallData, TheUninstallersRewriteKeepsWhatItDidNotActOn) {
  FullProduct product;
  UninstallDataLists lists;
  ProductSettings settings;
  LanguageTable languages;
  ParseUninstallData(BuildUninstallData(product.records, product.settings, product.languages), lists, settings,
                     languages);
  // The removal pass records again a file it could not delete and both MSI
  // packages whose removal failed.
  UninstallRecords again;
  AddUninstallRecord(again, lists.records[0], kRecordFile);
  RecordMsiLine(again, lists.msi[0]);
  RecordMsiLine(again, lists.msi[1]);
  const std::string text = Text(BuildUninstallData(again, settings, languages));

  EXPECT_EQ(text.find("C:\\App\\app.exe\r\n\r\n\r\n[Strings]\r\n"), 0u);
  EXPECT_NE(text.find("\r\n\r\n[MSI]\r\n\"C:\\App\\a.msi\",2\r\n\"C:\\App\\b, c.msi\",5\r\n"), std::string::npos);
  EXPECT_NE(text.find("[AutoClose]"), std::string::npos);
  EXPECT_NE(text.find("[Registry2]"), std::string::npos);
  EXPECT_NE(text.find("[ConditionalDelete]"), std::string::npos);
  EXPECT_NE(text.find("~999\r\nBastionix Demo \xE2\x80\x93 Setup\r\n"), std::string::npos);
  for (const char* gone : {"[Associations]", "[Firewall]", "[INF]"}) {
    EXPECT_EQ(text.find(gone), std::string::npos) << gone;
  }
}

TEST(UninstallData, StringsOutsideTheRangeAreSkippedWithTheirText) {
  const String bytes(
      "[Strings]\r\n~0\r\nzero text\r\n~1001\r\nthousand and one\r\n~1000\r\nlast\r\n"
      "~12abc\r\ntwelve\r\n~x\r\nno number\r\n~15\r\n\r\n~20\r\n");
  UninstallDataLists lists;
  ProductSettings settings;
  LanguageTable languages;
  ParseUninstallData(bytes, lists, settings, languages);
  ASSERT_EQ(languages.LanguageCount(), 1);  // made to hold the texts
  EXPECT_EQ(languages.MessageCount(), 1001);
  EXPECT_EQ(MessageOf(languages, 1000), "last");
  EXPECT_EQ(MessageOf(languages, 12), "twelve");
  EXPECT_EQ(MessageOf(languages, 0), "");
  EXPECT_EQ(MessageOf(languages, 15), "");
  EXPECT_EQ(MessageOf(languages, 20), "");
  for (int32_t n = 0; n < languages.MessageCount(); ++n) {
    const std::string message = MessageOf(languages, n);
    EXPECT_TRUE(message.find("zero") == std::string::npos && message.find("thousand") == std::string::npos &&
                message.find("no number") == std::string::npos)
        << n << ": " << message;
  }
  EXPECT_TRUE(lists.records.IsEmpty());
}

TEST(UninstallData, LinesEndInAnyBreakAndHeadersMustMatchExactly) {
  // CR, LF, LF CR and a last line without a break; a header in other letters
  // or with more on its line is a record like any other line.
  const String bytes(
      "C:\\a.txt\rC:\\b.txt\n\r[strings]\n  [Firewall]\t\r\n8080;P;1;\r\n[Firewall] x\n"
      "[INF]\r\n\r\nC:\\c.inf");
  UninstallDataLists lists;
  ProductSettings settings;
  LanguageTable languages;
  ParseUninstallData(bytes, lists, settings, languages);
  ASSERT_EQ(lists.records.Count(), 3);
  EXPECT_EQ(Text(lists.records[0]), "C:\\a.txt");
  EXPECT_EQ(Text(lists.records[1]), "C:\\b.txt");
  EXPECT_EQ(Text(lists.records[2]), "[strings]");
  ASSERT_EQ(lists.firewall.Count(), 2);
  EXPECT_EQ(Text(lists.firewall[1]), "[Firewall] x");
  ASSERT_EQ(lists.inf.Count(), 1);
  EXPECT_EQ(Text(lists.inf[0]), "C:\\c.inf");
}

TEST(UninstallData, MalformedLinesAreDroppedQuietly) {
  const String bytes(
      "[AutoClose]\r\nA,B,C\r\nA,B,C,1,extra\r\nClass,,Name,1\r\n"
      "[Associations]\r\n.a~!~Type~!~ ~!~icon\r\n.b~!~~!~open~!~\r\n.c~!~Type.C~!~open\r\n"
      ".d~!~Type.D~!~open~!~icon~!~more\r\n"
      "[ConditionalDelete]\r\nC:\\x,1,2\r\nC:\\y,3,100,8\r\n"
      "[Bogus]\r\n[Registry2]\r\nHKLM\\Software\\Q\r\n\r\n");
  UninstallDataLists lists;
  ProductSettings settings;
  settings.RegistryEntries = String(u"stale");
  LanguageTable languages;
  ParseUninstallData(bytes, lists, settings, languages);
  ASSERT_EQ(settings.ProgramsToClose.Count(), 1);
  EXPECT_EQ(Text(settings.ProgramsToClose[0].window_class), "Class");
  EXPECT_EQ(settings.ProgramsToClose[0].action, 1);
  ASSERT_EQ(lists.associations.Count(), 2);
  EXPECT_EQ(Text(lists.associations[0].extension), ".c");
  EXPECT_TRUE(lists.associations[0].icon.empty());
  EXPECT_EQ(Text(lists.associations[1].icon), "icon~!~more");
  // "[Bogus]" is no header: it lands in the section before it.
  ASSERT_EQ(settings.FileDeletions.Count(), 1);
  EXPECT_EQ(Text(settings.FileDeletions[0].name), "C:\\y");
  EXPECT_EQ(Wide(settings.RegistryEntries), u"HKLM\\Software\\Q\r\n");
}

TEST(UninstallData, PathAndLoadMessage) {
  EXPECT_EQ(Wide(UninstallDataPath(String(u"C:\\App\\uninstall"))), u"C:\\App\\uninstall\\Uninstall.DAT");
  EXPECT_EQ(Wide(UninstallDataPath(String(u"C:\\App\\"))), u"C:\\App\\Uninstall.DAT");
  EXPECT_EQ(Wide(UninstallDataLoadMessage(String(u"Demo"), String(u"C:\\App\\Uninstall.DAT"), kFileNotFound)),
            u"The uninstall information for Demo could not be loaded.\r\n\r\nFilepath: C:\\App\\Uninstall.DAT\r\n"
            u"Code 3: " +
                Wide(ErrorString(kFileNotFound)));
}

}  // namespace
