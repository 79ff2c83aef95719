// inspect, verify and extract on installers this builder made: every
// placement of the file data, scrambled and enciphered, signed; damage named
// with the number the installer's own checks give; files written back as
// they were packed.
#include "builder/installer_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "builder/build_files.h"
#include "builder/extract.h"
#include "builder/inspect.h"
#include "builder/manifest.h"
#include "builder/package_writer.h"
#include "builder/test_damage.h"
#include "builder/test_signing.h"
#include "builder/test_stub.h"
#include "builder/test_unpack.h"
#include "builder/verify.h"
#include "package/byte_order.h"
#include "package/checksum.h"

namespace {

namespace fs = std::filesystem;

const JsonValue* Member(const JsonValue& object, const std::string& key) {
  for (const auto& [name, value] : object.members) {
    if (name == key) return &value;
  }
  return nullptr;
}

// "product.name", "entries.2.destination": the value's text or number.
std::string At(const JsonValue& document, const std::string& path) {
  const JsonValue* v = &document;
  for (size_t start = 0; v && start <= path.size();) {
    size_t end = path.find('.', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (v->kind == JsonValue::kArray) {
      const size_t i = std::stoul(part);
      v = i < v->items.size() ? &v->items[i] : nullptr;
    } else {
      v = Member(*v, part);
    }
    start = end + 1;
  }
  if (!v) return "<missing " + path + ">";
  if (v->kind == JsonValue::kNumber) return std::to_string(v->number);
  if (v->kind == JsonValue::kBool) return v->flag ? "true" : "false";
  return v->text;
}

PackageFile File(const char* name, size_t size, uint32_t kind = entry_kind::kInstallFolder) {
  std::string content(size, 0);
  for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
  PackageFile file = FileFromBytes(name, content.data(), size);
  file.entry.kind = kind;
  return file;
}

Product ActionProduct(bool after_section, bool enciphered) {
  Product product = DefaultProduct(String(u"Acme Tools"), String(u"4.5.6"));
  product.settings.Publisher = String(u"Acme Corp");
  product.settings.Bitness = 1;
  product.settings.PageStyles[kStyleFolder] = 2;
  PackageFile readme = File("readme.txt", 16);
  readme.entry.flags = entry_flag::kStartMenuShortcut;
  readme.entry.display_name() = "Read Me";
  const int32_t date[6] = {2024, 5, 17, 10, 20, 30};
  std::memcpy(readme.entry.date, date, sizeof date);
  product.files.push_back(readme);
  PackageFile helper = File("helper.dll", 40, entry_kind::kSystemCom);
  helper.entry.attributes = 0x1 | 0x4;
  product.files.push_back(helper);
  PackageFile ini = File("app.ini", 5);
  ini.entry.destination = String(u"%AppDataDir%\\Acme\\");
  ini.entry.flags = entry_flag::kOverwriteIfMissing;
  product.files.push_back(ini);
  product.files.push_back(File("bin\\big.bin", 300000));
  product.settings.RegistryEntries = String(u"HKLM\\Software\\Acme,Name,1,Acme,0");
  product.settings.Reserved14 = String(u"8080;Acme Server;1;0");
  product.settings.SetFlag(product_flag::kAddToPath, true);
  product.settings.InstallActionSettings = String(u"AddToPathSubfolder=bin");
  product.settings.FileDataOutside = after_section ? 1 : 0;
  if (enciphered) {
    product.settings.SetFlag2(product_flag2::kEnciphered, true);
    for (size_t i = 0; i < kPackageCipherKeyLength; ++i) product.options.cipher_key[i] = static_cast<uint8_t>(i * 29 + 3);
  }
  product.options.block_size = 0x10000;
  return product;
}

String Build(const Product& product) {
  String installer;
  std::string error;
  EXPECT_TRUE(BuildInstaller(MakeTestStub(), product, &installer, &error)) << error;
  return installer;
}

ReadOutcome Describe(const String& installer, JsonValue* document) {
  ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
  return DescribeInstaller(MemoryProgramFile(&image), image, document);
}

TEST(Inspect, DescribesEveryPlacementCipherAndSignature) {
  struct Case {
    bool after_section, enciphered, signed_file;
  } cases[] = {{false, false, false}, {true, false, false}, {false, true, false}, {true, true, true}, {false, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "after " << c.after_section << " enciphered " << c.enciphered << " signed "
                                    << c.signed_file);
    String installer = Build(ActionProduct(c.after_section, c.enciphered));
    if (c.signed_file) installer = FakeSigned(installer);
    JsonValue doc;
    ASSERT_TRUE(Describe(installer, &doc).ok());
    EXPECT_EQ(At(doc, "product.name"), "Acme Tools");
    EXPECT_EQ(At(doc, "product.version"), "4.5.6");
    EXPECT_EQ(At(doc, "product.publisher"), "Acme Corp");
    EXPECT_EQ(At(doc, "product.bitness"), "64-bit");
    EXPECT_EQ(At(doc, "product.page_styles.folder"), "banner");
    EXPECT_EQ(At(doc, "product.languages.0"), "English");
    EXPECT_EQ(At(doc, "product.file_data"), c.after_section ? "after-section" : "inside-section");
    EXPECT_EQ(At(doc, "product.cipher"), c.enciphered ? "enciphered" : "scrambled");
    EXPECT_EQ(At(doc, "product.signed"), c.signed_file ? "true" : "false");
    EXPECT_EQ(At(doc, "entries.0.destination"), "%InstallDir%\\readme.txt");
    EXPECT_EQ(At(doc, "entries.0.date"), "2024-05-17 10:20:30");
    EXPECT_EQ(At(doc, "entries.0.size"), "16");
    EXPECT_EQ(At(doc, "entries.1.destination"), "%SystemDir%\\helper.dll");
    EXPECT_EQ(At(doc, "entries.1.kind"), "com-server");
    EXPECT_EQ(At(doc, "entries.1.attributes.0") + " " + At(doc, "entries.1.attributes.1"), "readonly system");
    EXPECT_EQ(At(doc, "entries.2.destination"), "%AppDataDir%\\Acme\\app.ini");
    EXPECT_EQ(At(doc, "entries.2.overwrite"), "if-missing");
    EXPECT_EQ(At(doc, "entries.2.attributes.0"), "default");
    EXPECT_EQ(At(doc, "entries.3.destination"), "%InstallDir%\\bin\\big.bin");
    EXPECT_EQ(At(doc, "entries.3.size"), "300000");
    EXPECT_EQ(At(doc, "actions.shortcuts.0.name"), "Read Me");
    EXPECT_EQ(At(doc, "actions.shortcuts.0.places.0"), "start-menu");
    EXPECT_EQ(At(doc, "actions.registry.0"), "HKLM\\Software\\Acme,Name,1,Acme,0");
    EXPECT_EQ(At(doc, "actions.firewall.0.port"), "8080");
    EXPECT_EQ(At(doc, "actions.firewall.0.name"), "Acme Server");
    EXPECT_EQ(At(doc, "actions.path.0"), "%InstallDir%\\bin");
    EXPECT_EQ(At(doc, "actions.components.0.file"), "%SystemDir%\\helper.dll");
    EXPECT_EQ(At(doc, "totals.entries"), "4");
    EXPECT_EQ(At(doc, "totals.bytes"), "300061");
    // Both renderings carry what the tree holds.
    const std::string json = RenderJson(doc), text = RenderText(doc);
    EXPECT_NE(json.find("\"destination\": \"%AppDataDir%\\\\Acme\\\\app.ini\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"flags\": [\n"), std::string::npos);
    EXPECT_NE(text.find("  - destination: %InstallDir%\\readme.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  name: Acme Tools\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("date: \n"), std::string::npos) << "blank values are left out:\n" << text;
    EXPECT_EQ(At(doc, "entries.0.display_name"), "Read Me");
    EXPECT_EQ(At(doc, "entries.1.version"), "");
  }
}

TEST(Inspect, JsonEscapesWhatWouldBreakTheDocument) {
  JsonValue doc = JsonValue::Object();
  doc.Add("a", JsonValue::Text("quote \" back \\ line\n tab\t"));
  doc.Add("b", JsonValue::Array()).Push(JsonValue::Number(-5));
  EXPECT_EQ(RenderJson(doc), "{\n  \"a\": \"quote \\\" back \\\\ line\\u000a tab\\u0009\",\n  \"b\": [\n    -5\n  ]\n}\n");
}

size_t Find(const String& installer, const std::string& what) {
  const std::string all(installer.c_str(), static_cast<size_t>(installer.length()));
  return all.find(what);
}

TEST(Verify, NamesTheNumberTheInstallersChecksGive) {
  Product product = DefaultProduct(String(u"Damaged"), String(u"1"));
  product.settings.SetFlag(product_flag::kCompressedBlocks, false);
  product.settings.SetFlag(product_flag::kCheckProgramChecksum, true);
  product.files.push_back(File("victim.txt", 300));
  product.files.push_back(File("second.txt", 20));
  const String installer = Build(product);
  const Unpacked good = Unpack(installer);
  ASSERT_EQ(good.corrupt, kCorruptNone);
  const size_t pkg = good.section.raw_pointer;
  const size_t data = pkg + good.header.file_data_offset;
  const size_t name = Find(installer, "victim.txt");
  ASSERT_NE(name, std::string::npos);
  struct Case {
    const char* what;
    std::function<void(uint8_t*)> damage;
    bool refresh;   // the block checksums made to match again
    int expected;
    bool unpack_sees;  // the stage-by-stage read of test_unpack.h covers it
  } cases[] = {
      {"PE offset", [](uint8_t* b) { StoreLe16(b + 0x3C, 0x20); }, false, kCorruptPeOffset, true},
      {"section count", [](uint8_t* b) { StoreLe16(b + kTestStubPe + 6, 3); }, false, kCorruptSectionCount, true},
      {"magic", [&](uint8_t* b) { b[pkg] ^= 1; }, false, kCorruptMagic, true},
      {"version", [&](uint8_t* b) { b[pkg + 5] = '8'; }, false, kReadVersionMismatch, false},
      {"settings size", [&](uint8_t* b) { StoreLe32(b + pkg + 13, 0); }, false, kCorruptSettingsSize, true},
      {"package end", [&](uint8_t* b) { StoreLe32(b + pkg + 25, 0xFFFFFFFF); }, false, kCorruptPackageEnd, true},
      {"entry count", [&](uint8_t* b) { StoreLe32(b + pkg + 29, 0xFFFFFFFF); }, false, kCorruptEntryCount, true},
      {"file-data length", [&](uint8_t* b) { StoreLe32(b + pkg + 33, 0xFFFFFFFF); }, false, kCorruptFileDataLength, true},
      {"content size", [&](uint8_t* b) { StoreLe32(b + pkg + 41, 0xFFFFFFFF); }, false, kCorruptHeaderContentSize, true},
      {"settings checksum", [&](uint8_t* b) { b[pkg + 17] ^= 4; }, false, kCorruptSettingsInflate, true},
      {"program image", [](uint8_t* b) { b[0x400 + 9] ^= 1; }, false, kCorruptProgramChecksum, true},
      {"file-data checksum", [&](uint8_t* b) { b[pkg + 37] ^= 1; }, false, kCorruptFileDataChecksum, true},
      {"file-data length vs place", [&](uint8_t* b) { StoreLe32(b + pkg + 33, LoadLe32(b + pkg + 33) - 1); }, false,
       kCorruptFileDataPlace, true},
      {"block checksum", [&](uint8_t* b) { b[data + 4] ^= 1; }, true, kCorruptNone, true},
      {"block stored byte", [&](uint8_t* b) { b[name + 200] ^= 1; }, true, kCorruptEntryChecksum, true},
      {"block length zero", [&](uint8_t* b) { StoreLe32(b + data, 0); }, true, kCorruptBlockLength, true},
      {"block length long", [&](uint8_t* b) { StoreLe32(b + data, 0x7FFFFFF0); }, false, kCorruptFileDataChecksum, true},
      {"entry kind", [&](uint8_t* b) { b[name + 11] = 3; }, true, kCorruptEntryKind, false},
      {"entry name climbs", [&](uint8_t* b) { std::memcpy(b + name, "..\\tim.txt", 10); }, true, kCorruptEntryName, false},
      {"entry name empty", [&](uint8_t* b) { b[name] = 0; }, true, kCorruptEntryName, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    String copy = installer;
    c.damage(copy.data());
    if (c.refresh) RefreshChecksums(&copy, good);
    ByteSpan image{copy.bytes(), static_cast<size_t>(copy.length())};
    std::string report;
    const int status = VerifyInstaller(MemoryProgramFile(&image), image, &report);
    if (c.expected == kCorruptNone) {
      // A refreshed block checksum is no damage at all.
      EXPECT_EQ(status, 0) << report;
      continue;
    }
    EXPECT_EQ(status, 1) << report;
    if (c.expected != kReadVersionMismatch) {
      EXPECT_NE(report.find("error code " + std::to_string(c.expected) + " ("), std::string::npos) << report;
    } else {
      EXPECT_NE(report.find("installer version \"38.0\""), std::string::npos) << report;
    }
    if (c.unpack_sees) {
      EXPECT_EQ(Unpack(copy).corrupt, c.expected) << report;
    }
  }
}

TEST(Verify, IntactInstallersPassWithTheirCounts) {
  for (bool after : {false, true}) {
    for (bool enciphered : {false, true}) {
      String installer = Build(ActionProduct(after, enciphered));
      ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
      std::string report;
      EXPECT_EQ(VerifyInstaller(MemoryProgramFile(&image), image, &report), 0) << report;
      EXPECT_EQ(report.rfind("OK: 4 files (300061 bytes), 1 language, ", 0), 0u) << report;
      EXPECT_NE(report.find(after ? "after the section" : "inside the section"), std::string::npos) << report;
    }
  }
}

}  // namespace

namespace {

class ExtractTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("bx-extract-" + std::to_string(getpid()));
    fs::remove_all(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Write(const std::string& relative, const std::string& content, time_t when) {
    const fs::path path = folder_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static time_t ModifiedAt(const fs::path& path) {
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 ? info.st_mtime : -1;
  }
  String BuildFromManifest(const std::string& manifest) {
    Write("product.toml", manifest, 0);
    Product product;
    std::string error;
    EXPECT_TRUE(LoadManifest((folder_ / "product.toml").string(), &product, &error)) << error;
    return Build(product);
  }
  int Extract(const String& installer, std::string* report) {
    ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
    return ExtractInstaller(MemoryProgramFile(&image), image, (folder_ / "out").string(), report);
  }

  fs::path folder_;
};

TEST_F(ExtractTest, WritesEveryFileAsInstalledWithItsBytesAndDate) {
  std::string big(700000, 0);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 2654435761u >> 13);
  struct Source {
    const char* path;     // below src/
    std::string content;
    time_t when;
    const char* extracted;  // below out/
  } files[] = {
      {"readme.txt", "read me\r\n", 1000000000, "readme.txt"},
      {"docs/guide.txt", "guide", 1600000000, "docs/guide.txt"},
      {"bin/app.exe", big, 1700000001, "bin/app.exe"},
      {"empty.txt", "", 1234567890, "empty.txt"},
      {"helper.dll", "system file", 1500000000, "%SystemDir%/helper.dll"},
      {"settings.ini", "[a]\r\n", 1400000000, "%AppDataDir%/Acme/settings.ini"},
  };
  for (const Source& f : files) Write(std::string("src/") + f.path, f.content, f.when);
  for (bool after : {false, true}) {
    SCOPED_TRACE(after);
    fs::remove_all(folder_ / "out");
    const String installer = BuildFromManifest(
        std::string("[product]\nname = \"Round\"\nversion = \"1\"\n") + (after ? "[package]\nfile_data = \"after\"\n" : "") +
        "[files]\nsource = \"src\"\n[[file]]\npath = \"helper.dll\"\nkind = \"system\"\n"
        "[[file]]\npath = \"settings.ini\"\ndestination = \"%AppDataDir%\\\\Acme\\\\\"\n");
    std::string report;
    ASSERT_EQ(Extract(installer, &report), 0) << report;
    EXPECT_EQ(report, "extracted 6 files, " + std::to_string(big.size() + 30) + " bytes, into \"" +
                          (folder_ / "out").string() + "\"\n");
    for (const Source& f : files) {
      const fs::path out = folder_ / "out" / f.extracted;
      EXPECT_EQ(Read(out), f.content) << out;
      EXPECT_EQ(ModifiedAt(out), f.when) << out;
    }
  }
}

TEST_F(ExtractTest, RefusesANameThatWouldLeaveTheFolder) {
  Product product = DefaultProduct(String(u"Climb"), String(u"1"));
  product.settings.SetFlag(product_flag::kCompressedBlocks, false);
  product.files.push_back(File("first.txt", 10));
  product.files.push_back(File("aa\\evil.txt", 10));
  String installer = Build(product);
  const Unpacked good = Unpack(installer);
  ASSERT_EQ(good.corrupt, kCorruptNone);
  std::memcpy(installer.data() + Find(installer, "aa\\evil.txt"), "..", 2);
  RefreshChecksums(&installer, good);
  std::string report;
  EXPECT_EQ(Extract(installer, &report), 1);
  EXPECT_NE(report.find("error code 70 ("), std::string::npos) << report;
  EXPECT_NE(report.find("entry 2 of 2 (..\\evil.txt)"), std::string::npos) << report;
  EXPECT_TRUE(fs::exists(folder_ / "out" / "first.txt"));
  EXPECT_FALSE(fs::exists(folder_ / "evil.txt"));
}

TEST(ExtractedPath, PutsEveryFolderBelowTheOutput) {
  struct Case {
    const char16_t* destination;
    const char* relative;  // nullptr: refused
  } cases[] = {
      {u"%InstallDir%\\bin\\app.exe", "bin/app.exe"},
      {u"%SystemDir%\\x.dll", "%SystemDir%/x.dll"},
      {u"C:\\Tools\\x.exe", "%Drive_C%/Tools/x.exe"},
      {u"\\\\server\\share\\x", "%Network%/server/share/x"},
      {u"%InstallDir%\\..\\x", nullptr},
      {u"%InstallDir%\\a\\con", nullptr},
  };
  for (const Case& c : cases) {
    std::string relative = "unchanged";
    EXPECT_EQ(ExtractedPath(String(c.destination), &relative), c.relative != nullptr) << c.relative;
    if (c.relative) {
      EXPECT_EQ(relative, c.relative);
    }
  }
}

}  // namespace

namespace {

struct CommandRun {
  int status = -1;
  std::string output;
};

CommandRun Command(const std::string& arguments) {
  CommandRun run;
  FILE* pipe = popen((BX_SETUP_BUILDER " " + arguments + " 2>&1").c_str(), "r");
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// The subcommands as a vendor's pipeline runs them: exit codes, the JSON a
// standard parser accepts, the damage named.
TEST(ReadCommands, ExitCodesAndOutputs) {
  const fs::path folder = fs::temp_directory_path() / ("bx-read-" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  String installer = Build(ActionProduct(true, false));
  const std::string good = (folder / "good.exe").string(), bad = (folder / "bad.exe").string();
  std::string error;
  ASSERT_TRUE(WriteFileBytes(good, installer, &error)) << error;
  installer.data()[Unpack(installer).section.raw_pointer] ^= 1;
  ASSERT_TRUE(WriteFileBytes(bad, installer, &error)) << error;
  struct Case {
    std::string arguments;
    int status;
    std::string shows;
  } cases[] = {
      {"verify '" + good + "'", 0, "OK: 4 files"},
      {"verify '" + bad + "'", 1, "corrupt package: error code 20 (header magic is not 0xA4F23DE5) in package header"},
      {"inspect '" + good + "'", 0, "  - destination: %SystemDir%\\helper.dll\n"},
      {"inspect '" + good + "' --json | python3 -c 'import json,sys; d=json.load(sys.stdin); print(d[\"product\"][\"name\"])'",
       0, "Acme Tools\n"},
      {"inspect '" + bad + "'", 1, "error code 20"},
      {"extract '" + good + "' -o '" + (folder / "out").string() + "'", 0, "extracted 4 files"},
      {"extract '" + good + "'", 2, "no output folder given"},
      {"verify", 2, "no installer given"},
      {"inspect '" + good + "' --bogus", 2, "unknown option --bogus"},
      {"verify '" + (folder / "missing.exe").string() + "'", 1, "missing.exe"},
  };
  for (const Case& c : cases) {
    const CommandRun run = Command(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(c.shows), std::string::npos) << c.arguments << "\n" << run.output;
  }
  EXPECT_TRUE(fs::exists(folder / "out" / "%SystemDir%" / "helper.dll"));
  EXPECT_TRUE(fs::exists(folder / "out" / "bin" / "big.bin"));
  fs::remove_all(folder);
}

}  // namespace
