#include "builder/branding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "builder/package_writer.h"
#include "builder/resource_tree.h"
#include "builder/signing.h"
#include "builder/test_bitmap.h"
#include "builder/test_icon.h"
#include "builder/test_stub.h"
#include "builder/test_unpack.h"
#include "package/checksum.h"
#include "package/extras.h"
#include "package/inflate.h"

namespace {

constexpr uint32_t kGroupIcon = 14, kIcon = 3, kManifest = 24;
constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00, kGrey = 0xFF808080;

std::string Bytes(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

// Images compared by length and checksum, so that a failure stays readable.
std::string Summary(const std::string& bytes) {
  return std::to_string(bytes.size()) + " bytes, sum " + std::to_string(PackageChecksum(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// The test stub with a resource section (slot 3) followed by relocations
// (slot 4), as the linker lays out setup.exe: an icon group of one grey
// image, and a manifest that branding must keep.
String StubWithResources() {
  String stub = MakeTestStub(5);
  uint8_t* b = stub.data();
  std::memcpy(b + kTestStubTable + 3 * 40, ".rsrc\0\0\0", 8);
  std::memcpy(b + kTestStubTable + 4 * 40, ".reloc\0\0", 8);
  const uint32_t directories = kTestStubPe + 24 + 96;
  StoreLe32(b + directories + 2 * 8, 0x4000);
  StoreLe32(b + directories + 5 * 8, 0x5000);
  StoreLe32(b + directories + 5 * 8 + 4, 0x100);
  std::string group("\0\0\1\0\1\0", 6);
  group += Bytes(MakeTestIcon(kGrey)).substr(6, 12) + std::string("\1\0", 2);
  std::vector<ResourceItem> items = {
      {{kIcon, {}}, {1, {}}, 1033, 0, Bytes(TestIconImage(MakeTestIcon(kGrey)))},
      {{kGroupIcon, {}}, {1, {}}, 1033, 0, group},
      {{kManifest, {}}, {1, {}}, 1033, 0, "<assembly/>"}};
  const ResourceSection section{3, 0x4000, 0x400 + 3 * 0x200, 0x200};
  std::string error;
  EXPECT_TRUE(ReplaceResourceSection(&stub, section, WriteResources(items, 0x4000), &error)) << error;
  return stub;
}

std::vector<ResourceItem> Resources(const String& image) {
  PeLayout layout;
  ResourceSection section;
  std::vector<ResourceItem> items;
  std::string error;
  EXPECT_TRUE(ReadPeLayout(image, &layout, &error)) << error;
  EXPECT_TRUE(ReadResources(image, layout, &section, &items, &error)) << error;
  return items;
}

const ResourceItem* Find(const std::vector<ResourceItem>& items, uint32_t type, uint32_t id) {
  for (const ResourceItem& item : items) {
    if (item.type.id == type && item.name.id == id && item.name.name.empty()) return &item;
  }
  return nullptr;
}

// The image bytes of every icon the first group lists.
std::vector<std::string> GroupImages(const std::vector<ResourceItem>& items) {
  std::vector<std::string> images;
  const ResourceItem* group = Find(items, kGroupIcon, 1);
  if (group == nullptr) return images;
  const auto* g = reinterpret_cast<const uint8_t*>(group->data.data());
  for (uint16_t i = 0; i < LoadLe16(g + 4); ++i) {
    const ResourceItem* image = Find(items, kIcon, LoadLe16(g + 6 + i * 14 + 12));
    images.push_back(image ? Summary(image->data) : "<missing>");
  }
  return images;
}

TEST(Branding, IconsReachTheInstallerItsUninstallerAndTheProductIcon) {
  Product product = DefaultProduct(String(u"Branded"), String(u"2.5"));
  product.files.push_back(FileFromBytes("a.txt", "a", 1));
  // Large enough that the resource section grows and the relocations move.
  const String red = MakeTestIcon(kRed, 64);
  product.branding.installer_icon = red;
  product.branding.uninstaller_icon = MakeTestIcon(kBlue);
  product.branding.product_icon = MakeTestIcon(kGreen);
  for (const char* place : {"inside", "after"}) {
    SCOPED_TRACE(place);
    product.settings.FileDataOutside = place[0] == 'a';
    String installer, uninstaller;
    std::string error;
    ASSERT_TRUE(BuildInstaller(StubWithResources(), product, &installer, &error)) << error;

    const std::vector<ResourceItem> items = Resources(installer);
    EXPECT_EQ(GroupImages(items), std::vector<std::string>{Summary(Bytes(TestIconImage(red)))});
    ASSERT_NE(Find(items, kManifest, 1), nullptr);
    EXPECT_EQ(Find(items, kManifest, 1)->data, "<assembly/>");
    PeLayout layout;
    ASSERT_TRUE(ReadPeLayout(installer, &layout, &error));
    const uint8_t* reloc = installer.bytes() + layout.table_offset + 4 * 40;
    EXPECT_GT(LoadLe32(reloc + 12), 0x5000u);  // moved behind the grown resources
    EXPECT_EQ(LoadLe32(installer.bytes() + kTestStubPe + 24 + 96 + 5 * 8), LoadLe32(reloc + 12));

    const Unpacked unpacked = Unpack(installer);
    ASSERT_EQ(unpacked.corrupt, kCorruptNone);
    EXPECT_EQ(Summary(Bytes(PackageProductIcon(unpacked.header))), Summary(Bytes(MakeTestIcon(kGreen))));
    ASSERT_TRUE(UninstallerOf(installer, product.settings, &uninstaller, &error)) << error;
    EXPECT_EQ(GroupImages(Resources(uninstaller)), std::vector<std::string>{Summary(Bytes(TestIconImage(MakeTestIcon(kBlue))))});
  }
}

TEST(Branding, RefusesWhatTheProgramCannotCarry) {
  struct Case {
    const char* what;
    std::string icon;
    const char* reason;
  } cases[] = {
      {"empty file", "", "not an icon file"},
      {"a cursor", std::string("\0\0\2\0\1\0", 6) + std::string(16, '\0'), "not an icon file"},
      {"no images", std::string("\0\0\1\0\0\0", 6), "not an icon file"},
      {"directory cut short", std::string("\0\0\1\0\2\0", 6) + std::string(16, '\0'), "cut short"},
      {"image beyond the end", Bytes(MakeTestIcon(kRed)).substr(0, 100), "beyond its end"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(CheckIconFile(String(c.icon.data(), static_cast<int32_t>(c.icon.size())), &error)) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
  }
  std::string error;
  EXPECT_TRUE(CheckIconFile(MakeTestIcon(kRed), &error)) << error;

  Product product = DefaultProduct(String(u"Branded"), String(u"1"));
  product.branding.installer_icon = MakeTestIcon(kRed);
  String installer;
  EXPECT_FALSE(BuildInstaller(MakeTestStub(), product, &installer, &error));
  EXPECT_NE(error.find("no resources"), std::string::npos) << error;
}

// The pictures reach installer and uninstaller as the program loads them:
// one zlib stream of the .bmp file under type ZBITMAP, whatever else the
// branding changes.
TEST(Branding, PicturesReplaceTheWizardsOwnInBothPrograms) {
  Product product = DefaultProduct(String(u"Pictured"), String(u"1"));
  product.files.push_back(FileFromBytes("a.txt", "a", 1));
  product.branding.side_picture = MakeTestBitmap(164, 314, 0xFF00FF);
  product.branding.full_picture = MakeTestBitmap(3, 2, 0x00FF00);
  product.branding.cancel_button = MakeTestBitmap(20, 20, 0x0000FF);
  product.branding.uninstaller_icon = MakeTestIcon(kBlue);  // the uninstaller gets resources of its own
  String installer, uninstaller;
  std::string error;
  ASSERT_TRUE(BuildInstaller(StubWithResources(), product, &installer, &error)) << error;
  ASSERT_TRUE(UninstallerOf(installer, product.settings, &uninstaller, &error)) << error;
  for (const String* program : {&installer, &uninstaller}) {
    std::map<uint32_t, std::string> pictures;
    for (const ResourceItem& item : Resources(*program)) {
      if (item.type.name != u"ZBITMAP") continue;
      String plain;
      EXPECT_TRUE(InflateBuffer(reinterpret_cast<const uint8_t*>(item.data.data()), item.data.size(), 1 << 20, &plain));
      EXPECT_EQ(item.language, 1033u);
      pictures[item.name.id] = Summary(Bytes(plain));
    }
    EXPECT_EQ(pictures, (std::map<uint32_t, std::string>{{2, Summary(Bytes(product.branding.side_picture))},
                                                          {5, Summary(Bytes(product.branding.cancel_button))},
                                                          {7, Summary(Bytes(product.branding.full_picture))}}));
  }
}

TEST(Branding, PicturesTheProgramCannotDrawAreRefused) {
  const std::string good = Bytes(MakeTestBitmap(4, 4, 0x123456));
  auto with = [&](size_t at, uint32_t value) {
    std::string b = good;
    StoreLe32(reinterpret_cast<uint8_t*>(&b[at]), value);
    return b;
  };
  struct Case {
    const char* what;
    std::string bitmap;
    const char* reason;  // null: accepted
  } cases[] = {
      {"24-bit", good, nullptr},
      {"a PNG", "\x89PNG\r\n\x1a\n" + std::string(60, '\0'), "not a .bmp file"},
      {"cut short", good.substr(0, good.size() - 1), "cut-short"},
      {"RLE8", with(30, 1), "compressed"},
      {"PNG inside", with(30, 5), "compressed"},
      {"wider than the program loads", Bytes(MakeTestBitmap(4097, 1, 0)), "4097 x 1 pixels; at most 4096"},
      {"as wide as it loads", Bytes(MakeTestBitmap(4096, 1, 0)), nullptr},
      {"no width", with(18, 0), "damaged"},
  };
  for (const Case& c : cases) {
    std::string error;
    const bool accepted = CheckBitmapFile(String(c.bitmap.data(), static_cast<int32_t>(c.bitmap.size())), &error);
    EXPECT_EQ(accepted, c.reason == nullptr) << c.what << ": " << error;
    if (c.reason) {
      EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
  }
}

TEST(Branding, VersionNumbersForTheFixedPart) {
  struct Case {
    const char16_t* text;
    uint16_t numbers[4];
  } cases[] = {
      {u"2.5.1", {2, 5, 1, 0}},     {u"1.2.3.4.5", {1, 2, 3, 4}}, {u"3.0-beta.7", {3, 0, 0, 0}},
      {u"10", {10, 0, 0, 0}},       {u"", {0, 0, 0, 0}},          {u"70000.1", {65535, 1, 0, 0}},
      {u"v2.1", {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    uint16_t n[4];
    VersionNumbers(String(c.text), n);
    EXPECT_EQ(std::vector<uint16_t>(n, n + 4), std::vector<uint16_t>(c.numbers, c.numbers + 4));
  }
}

// The system finds resources by binary search: names first in code-unit
// order, then numbers ascending, on every level.
TEST(Branding, ResourcesAreWrittenInLookupOrderAndReadBackWhole) {
  std::vector<ResourceItem> items = {
      {{5, {}}, {7, {}}, 1033, 0, "seven"},
      {{5, {}}, {0, u"WELCOME"}, 1033, 0, "welcome"},
      {{5, {}}, {0, u"ABOUT"}, 1031, 0, "about de"},
      {{5, {}}, {0, u"ABOUT"}, 1033, 0, "about en"},
      {{2, {}}, {3, {}}, 1033, 1252, std::string("bits\0", 5)},
  };
  String image = StubWithResources();
  std::string error;
  ASSERT_TRUE(ReplaceResourceSection(&image, ResourceSection{3, 0x4000, 0x400 + 3 * 0x200, 0x200},
                                     WriteResources(items, 0x4000), &error))
      << error;
  std::vector<std::string> order;
  for (const ResourceItem& item : Resources(image)) {
    order.push_back(std::to_string(item.type.id) + "/" +
                    (item.name.name.empty() ? std::to_string(item.name.id) : std::string(item.name.name.begin(), item.name.name.end())) +
                    "/" + std::to_string(item.language) + "=" + item.data + ":" + std::to_string(item.codepage));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"2/3/1033=" + std::string("bits\0", 5) + ":1252", "5/ABOUT/1031=about de:0",
                                             "5/ABOUT/1033=about en:0", "5/WELCOME/1033=welcome:0", "5/7/1033=seven:0"}));
}

}  // namespace
