// [[registry]] and [[firewall]] tables: each says what a compact line says,
// and a wrong value is named with its place and the words allowed.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "builder/manifest.h"
#include "builder/package_writer.h"
#include "builder/test_stub.h"
#include "core/codepage.h"

namespace {

const char kHead[] = "[product]\nname = \"P\"\nversion = \"1\"\nuninstall_key = \"Acme.P\"\n[files]\nsource = \".\"\n";

// The manifest's folder with its one file, there while the test needs it.
class Folder {
 public:
  Folder() : path_((std::filesystem::temp_directory_path() / "bx-tables-XXXXXX").string()) {
    if (mkdtemp(path_.data())) std::ofstream(path_ + "/app.exe") << "app";
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

bool Parse(const std::string& rest, Product* product, std::string* error) {
  static const Folder folder;
  return ParseManifest(kHead + rest, folder.path() + "/manifest.toml", product, error);
}

std::string Narrow(const String& wide) { return Utf16ToUtf8(wide).c_str(); }

// A table, and the compact line it stands for.
struct Forms {
  const char* table;
  const char* compact;
};

const Forms kRegistry[] = {
    {"key = 'HKLM\\Software\\Acme'", "HKLM\\Software\\Acme"},
    {"key = 'HKLM\\Software\\Acme'\nname = \"Folder\"\nvalue = \"%InstallDir%\"", "HKLM\\Software\\Acme,Folder,1,%InstallDir%,3"},
    {"key = 'HKCU\\Software\\Acme'\nname = \"Hello\"\nvalue = 'Hi, \"you\"'\nuninstall = \"keep\"",
     "HKCU\\Software\\Acme,Hello,1,\"Hi, \"\"you\"\"\",1"},
    {"key = 'HKLM\\Software\\Acme'\nname = \"Path\"\ntype = \"expandable\"\nvalue = \"%PATH%\"\nwhen = \"if-missing\"",
     "HKLM\\Software\\Acme,Path,2,%PATH%,6"},
    {"key = 'HKLM\\Software\\Acme'\nname = \"Blob\"\ntype = \"binary\"\nvalue = \"01 ab FF\"", "HKLM\\Software\\Acme,Blob,3,01abFF,3"},
    {"key = 'HKLM\\Software\\Acme'\nname = \"Size\"\ntype = \"dword\"\nvalue = 42", "HKLM\\Software\\Acme,Size,4,42,3"},
    {"key = 'HKLM\\Software\\Acme'\nname = \"Big\"\ntype = \"qword\"\nvalue = \"5000000000\"", "HKLM\\Software\\Acme,Big,11,5000000000,3"},
    {"key = 'HKLM\\Software\\Old'\nname = \"Stale\"\ndelete = true", "HKLM\\Software\\Old,Stale,1,,4"},
    {"key = 'HKLM\\Software\\Old'\nname = \"Stale\"\ndelete = true\nuninstall = \"remove\"", "HKLM\\Software\\Old,Stale,1,,5"},
};

const Forms kFirewall[] = {
    {"port = 8080\nprotocol = \"tcp\"\nname = \"Acme Server\"", "8080;Acme Server;1;0"},
    {"port = 53\nprotocol = \"both\"\nkeep = true", "53;;3;1"},
    {"port = 5000\nprotocol = \"udp\"", "5000;;2;0"},
    {"program = '%InstallDir%\\app.exe'\nname = \"Acme\"", "%InstallDir%\\app.exe;Acme;0;0"},
};

std::string Tables(const char* header, bool registry) {
  std::string text;
  for (const Forms& c : registry ? std::vector<Forms>(std::begin(kRegistry), std::end(kRegistry))
                                 : std::vector<Forms>(std::begin(kFirewall), std::end(kFirewall))) {
    text += std::string(header) + "\n" + c.table + "\n";
  }
  return text;
}

std::string Quoted(const char* line) {
  std::string out = "'";
  out += line;
  return out + "'";
}

TEST(ManifestActionTables, EachTableIsTheCompactLineItSays) {
  Product product;
  std::string error;
  ASSERT_TRUE(Parse(Tables("[[registry]]", true) + Tables("[[firewall]]", false), &product, &error)) << error;
  std::string registry, firewall;
  for (const auto& c : kRegistry) registry += (registry.empty() ? "" : "\r\n") + std::string(c.compact);
  for (const auto& c : kFirewall) firewall += (firewall.empty() ? "" : "\r\n") + std::string(c.compact);
  EXPECT_EQ(Narrow(product.settings.RegistryEntries), registry);
  EXPECT_EQ(Narrow(product.settings.Reserved14), firewall);
}

// The same product in either form is the same installer, byte for byte; the
// compact firewall lines and the tables may stand together.
TEST(ManifestActionTables, TheTableFormAndTheCompactFormGiveTheSameInstaller) {
  std::string registry = "[registry]\nentries = [", firewall = "[actions]\nfirewall = [";
  for (const auto& c : kRegistry) registry += Quoted(c.compact) + ",";
  for (const auto& c : kFirewall) firewall += Quoted(c.compact) + ",";
  Product compact, tables, mixed;
  std::string error;
  ASSERT_TRUE(Parse(registry + "]\n" + firewall + "]\n", &compact, &error)) << error;
  ASSERT_TRUE(Parse(Tables("[[registry]]", true) + Tables("[[firewall]]", false), &tables, &error)) << error;
  ASSERT_TRUE(Parse(registry + "]\n[actions]\nfirewall = [" + Quoted(kFirewall[0].compact) + "]\n" +
                        "[[firewall]]\n" + kFirewall[1].table + "\n[[firewall]]\n" + kFirewall[2].table +
                        "\n[[firewall]]\n" + kFirewall[3].table + "\n",
                    &mixed, &error))
      << error;
  String a, b, c;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), compact, &a, &error)) << error;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), tables, &b, &error)) << error;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), mixed, &c, &error)) << error;
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a == c);
}

TEST(ManifestActionTables, AWrongValueNamesItsPlaceAndTheWordsAllowed) {
  const struct {
    const char* manifest;
    const char* error;  // after the manifest's path
  } cases[] = {
      {"[[registry]]\nkey = 'HKLM\\Software\\A'\nname = \"N\"\ntype = \"text\"\n",
       ":10:8: registry[0].type: expected one of \"string\", \"expandable\", \"binary\", \"dword\", \"qword\""},
      {"[[registry]]\nkey = 'HKLM\\Software\\A'\nname = \"N\"\nwhen = \"sometimes\"\n",
       ":10:8: registry[0].when: expected one of \"always\", \"if-missing\""},
      {"[[registry]]\nkey = 'HKLM\\Software\\A'\nname = \"N\"\nuninstall = \"never\"\n",
       ":10:13: registry[0].uninstall: expected one of \"remove\", \"keep\""},
      {"[[registry]]\nkey = 'HKLM\\Software\\A'\nname = \"N\"\ntype = \"dword\"\nvalue = \"lots\"\n",
       ":11:9: registry[0].value: number out of range or not decimal"},
      {"[[registry]]\nkey = 'HKLM\\Software\\A'\nname = \"N\"\ntype = \"binary\"\nvalue = \"0g\"\n",
       ":11:9: registry[0].value: binary data must be pairs of hexadecimal digits"},
      {"[[registry]]\nkey = 'HKXX\\Software\\A'\n", ":8:7: registry[0].key: "},
      {"[[registry]]\nname = \"N\"\n", ":7:1: registry[0].key: a [[registry]] table needs its key"},
      {"[[registry]]\nkey = 'HKLM\\Software\\A'\nvalue = \"v\"\n",
       ":9:9: registry[0].value: needs name: without it the table makes the key alone"},
      {"[[registry]]\nkey = 'HKLM\\Software\\A'\nname = \"N\"\nvalue = \"v\"\nwhen = \"if-missing\"\nuninstall = \"remove\"\n",
       ":12:13: registry[0].uninstall: a value written only if missing stays at uninstall"},
      {"[[registry]]\nkey = 'HKLM\\Software\\A'\nname = \"N\"\ncolour = \"red\"\n", ":10:1: registry[0].colour: unknown key"},
      {"[[firewall]]\nport = 80\nprotocol = \"icmp\"\n",
       ":9:12: firewall[0].protocol: expected one of \"tcp\", \"udp\", \"both\""},
      {"[[firewall]]\nport = 80\n", ":7:1: firewall[0].protocol: a port needs its protocol: \"tcp\", \"udp\" or \"both\""},
      {"[[firewall]]\nport = 70000\nprotocol = \"tcp\"\n", ":8:8: firewall[0].port: expected a number from 1 to 65535"},
      {"[[firewall]]\nname = \"x\"\n", ":7:1: firewall[0].program: give either program or port"},
      {"[[firewall]]\nport = 80\nprogram = \"a.exe\"\nprotocol = \"tcp\"\n", ":8:8: firewall[0].port: give either program or port"},
      {"[[firewall]]\nprogram = \"a.exe\"\nname = \"a;b\"\n", ":9:8: firewall[0].name: a firewall rule's texts may not hold ';'"},
  };
  for (const auto& c : cases) {
    Product product;
    std::string error;
    EXPECT_FALSE(Parse(c.manifest, &product, &error)) << c.manifest;
    EXPECT_NE(error.find(std::string("manifest.toml") + c.error), std::string::npos) << c.manifest << "\n" << error;
  }
}

}  // namespace
