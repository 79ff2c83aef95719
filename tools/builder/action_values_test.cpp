#include "builder/action_values.h"

#include <gtest/gtest.h>

#include "actions/associations.h"
#include "actions/registry_entries.h"
#include "core/codepage.h"

namespace {

TEST(ActionValues, RegistryAndFirewallLinesAreCheckedAtBuildTime) {
  const struct {
    const char* line;
    bool ok;
  } registry[] = {
      {"HKLM\\Software\\Acme", true},
      {"HKCU\\Software\\Acme,Size,4,4096,1", true},
      {"HKCU\\Software\\Acme,Blob,3,0a 0b,3", true},
      {"HKCU\\Software\\Acme,Gone,4,,5", true},  // a deletion needs no data
      {"HKCU\\Software\\Acme,Size,4,-1,1", false},
      {"HKCU\\Software\\Acme,Blob,3,0a0,1", false},
      {"HKCU\\Software\\Acme,Multi,7,x,1", false},
      {"HKCU\\Software\\Acme,Size,4,1,9", false},
      {"HKCU\\Software\\Acme,Size,4", false},
      {"HKLM\\A\r\nHKLM\\B", false},
  };
  for (const auto& c : registry) EXPECT_EQ(CheckRegistryEntryLine(c.line).empty(), c.ok) << c.line;

  // Data with a comma or a quote goes in double quotes, a quote doubled; the
  // installer's reader gives it back as written.
  const char* quoted = "HKCU\\Software\\Acme,Greeting,1,\"Hello, \"\"world\"\"\",1";
  EXPECT_EQ(CheckRegistryEntryLine(quoted), "");
  const String wide = Utf8ToUtf16(quoted);
  int32_t position = 0;
  RegistryEntry entry;
  ASSERT_TRUE(ReadRegistryEntry(wide, &position, &entry));
  EXPECT_EQ(std::u16string(entry.data.w_str(), static_cast<size_t>(entry.data.wlength())), u"Hello, \"world\"");

  const struct {
    const char* line;
    bool ok;
  } firewall[] = {
      {"8080;Web;3;0", true}, {"bin\\srv.exe;;0;1", true}, {"0;Zero;1;0", false},
      {"70000;Big;1;0", false}, {"8080;None;0;0", false}, {"8080;Web;3", false},
  };
  for (const auto& c : firewall) EXPECT_EQ(CheckFirewallLine(c.line).empty(), c.ok) << c.line;
}

// What the builder stores, the runtime reads back as the same association.
TEST(ActionValues, AssociationRecordReadsBackAsWritten) {
  AssociationValues v;
  v.extension = "acme";
  v.prog_id = "!";
  v.description = "Acme Dokument \xC3\xA4";
  v.verb = "open";
  v.verb_label = "&\xC3\x96" "ffnen";
  v.command = "\"%InstallDir%\\acme.exe\" \"%1\"";
  v.mode = 1;
  ASSERT_EQ(CheckAssociation(v), "");
  const FileAssociation a = AssociationFromRecord(MakeAssociationRecord(v));
  EXPECT_EQ(std::u16string(a.extension.w_str()), u".acme");
  EXPECT_EQ(std::u16string(a.prog_id.w_str()), u"!");
  EXPECT_EQ(std::u16string(a.description.w_str()), u"Acme Dokument \u00e4");
  EXPECT_EQ(std::u16string(a.verb_label.w_str()), u"&\u00d6ffnen");
  EXPECT_EQ(std::u16string(a.command.w_str()), u"\"%InstallDir%\\acme.exe\" \"%1\"");
  EXPECT_EQ(a.mode, 1);
  v.mode = 3;
  EXPECT_NE(CheckAssociation(v), "");
}

}  // namespace
