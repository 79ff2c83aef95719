#include "core/os_name.h"

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"

namespace {

using namespace os_value;

OsFacts Nt(uint32_t major, uint32_t minor, uint32_t build = 0, uint8_t type = kWorkstation) {
  OsFacts facts;
  facts.version.platform = kPlatformNT;
  facts.version.major = major;
  facts.version.minor = minor;
  facts.version.build = build;
  facts.version.product_type = type;
  return facts;
}

OsFacts Server(uint32_t major, uint32_t minor, uint32_t build = 0) { return Nt(major, minor, build, 3); }

std::string Name(const OsFacts& facts, uint32_t options = 0) {
  const String name = Utf16ToUtf8(OSName(facts, options));
  return std::string(name.c_str(), static_cast<size_t>(name.length()));
}

TEST(OsName, WindowsNineX) {
  OsFacts facts;
  facts.version.platform = kPlatform9x;
  facts.version.major = 4;
  facts.version.build = 1111;
  EXPECT_EQ(Name(facts), "Windows 95 OSR2");
  facts.version.minor = 10;
  facts.version.build = 2222;
  EXPECT_EQ(Name(facts), "Windows 98 SE");
  EXPECT_EQ(Name(facts, kOsNameShort), "98 SE");
  facts.version.minor = 90;
  EXPECT_EQ(Name(facts), "Windows ME");
  facts.version.major = 5;
  facts.version.minor = 1;
  EXPECT_EQ(Name(facts), "Windows 9x 5.1");
  facts.version.platform = 3;
  EXPECT_EQ(Name(facts), "Windows 5.1");
}

TEST(OsName, WindowsXpAndServer2003Editions) {
  OsFacts xp = Nt(5, 1, 2600);
  xp.version.suite_mask = kSuitePersonal | kSuiteEmbeddedNT;
  xp.metrics = kOsMediaCenter | kOsTabletPc;
  xp.version.service_pack = String(u"Service Pack 3");
  EXPECT_EQ(Name(xp), "Windows XP Home Embedded Media Center Tablet PC Service Pack 3");
  EXPECT_EQ(Name(xp, kOsNameNoServicePack), "Windows XP Home Embedded Media Center Tablet PC");

  OsFacts xp64 = Nt(5, 2, 3790);
  xp64.is_64bit = true;
  EXPECT_EQ(Name(xp64), "Windows XP Professional x64");

  OsFacts server = Server(5, 2, 3790);
  server.metrics = kOsServerR2;
  server.version.suite_mask = kSuiteEnterprise;
  EXPECT_EQ(Name(server), "Windows Server 2003 R2 Enterprise");
  EXPECT_EQ(Name(server, kOsNameShort), "2003");
  server.version.suite_mask = kSuiteStorageServer;
  EXPECT_EQ(Name(server), "Windows Storage Server 2003 R2");
  server.version.suite_mask = kSuiteHomeServer;
  EXPECT_EQ(Name(server), "Windows Home Server");
  EXPECT_EQ(Name(server, kOsNameShort), "XP");

  OsFacts w2k = Server(5, 0);
  w2k.version.suite_mask = kSuiteEnterprise;
  EXPECT_EQ(Name(w2k), "Windows 2000 Advanced Server");
  EXPECT_EQ(Name(Nt(5, 0)), "Windows 2000 Professional");
  EXPECT_EQ(Name(Nt(5, 3)), "Windows NT 5.3");
  EXPECT_EQ(Name(Nt(4, 0)), "Windows NT 4.0");
}

TEST(OsName, VersionsSixAndTen) {
  OsFacts vista = Nt(6, 0, 6002);
  vista.version.suite_mask = kSuitePersonal;
  EXPECT_EQ(Name(vista), "Windows Vista Home");
  vista.product_info = 3;
  EXPECT_EQ(Name(vista), "Windows Vista Home Premium");

  OsFacts seven = Nt(6, 1, 7601);
  seven.product_info = 1;
  seven.is_64bit = true;
  seven.version.service_pack = String(u"Service Pack 1");
  EXPECT_EQ(Name(seven), "Windows 7 Ultimate x64 Service Pack 1");
  EXPECT_EQ(Name(seven, kOsNameShort), "7 Ultimate x64 Service Pack 1");
  EXPECT_EQ(Name(seven, kOsNameVersionOnly), "Windows 7");

  OsFacts home_server = Server(6, 1);
  home_server.product_info = kProductHomeServer;
  EXPECT_EQ(Name(home_server), "Windows Home Server 2011");
  EXPECT_EQ(Name(Server(6, 1), kOsNameShort), "2008");
  OsFacts datacenter = Server(6, 0);
  datacenter.version.suite_mask = kSuiteDatacenter;
  EXPECT_EQ(Name(datacenter, kOsNameShort), "2008 Datacenter");
  EXPECT_EQ(Name(Server(6, 3)), "Windows Server 2012 R2");
  EXPECT_EQ(Name(Nt(6, 3)), "Windows 8.1");
  EXPECT_EQ(Name(Nt(6, 4)), "Windows 10 alpha");
  EXPECT_EQ(Name(Server(6, 4), kOsNameShort), "10");
  EXPECT_EQ(Name(Nt(6, 7)), "Windows NT 6.7");
  EXPECT_EQ(Name(Nt(6, 7), kOsNameShort), "NT6");
  EXPECT_EQ(Name(Nt(7, 2)), "Windows NT 7.2");
}

TEST(OsName, WindowsTenServersByBuildAndReleaseId) {
  OsFacts server = Server(10, 0, 17763);
  server.product_info = 8;
  EXPECT_EQ(Name(server), "Windows Server 2019 Datacenter");
  server.version.build = 17732;
  EXPECT_EQ(Name(server), "Windows Server 2016 Datacenter");
  EXPECT_EQ(Name(server, kOsNameShort), "2016 Datacenter");
  server.release_id = String(u"1607");  // servers never show it
  EXPECT_EQ(Name(server), "Windows Server 2016 Datacenter");

  OsFacts ten = Nt(10, 0, 19045);
  ten.product_info = 48;
  ten.release_id = String(u"2009");
  EXPECT_EQ(Name(ten), "Windows 10 Professional 2009");
  EXPECT_EQ(Name(ten, kOsNameVersionOnly), "Windows 10");
}

TEST(OsName, WineReportsItselfInTheLongFormOnly) {
  OsFacts wine = Nt(6, 1, 7601);
  wine.under_wine = true;
  wine.wine_version = "8.0";
  wine.version.service_pack = String(u"Service Pack 1");
  EXPECT_EQ(Name(wine), "WINE 8.0 reporting as Windows 7 Service Pack 1");
  EXPECT_EQ(Name(wine, kOsNameShort), "7 Service Pack 1");
}

TEST(OsName, EditionTable) {
  EXPECT_STREQ(EditionName(4), " Enterprise");
  EXPECT_STREQ(EditionName(10), " Enterprise");
  EXPECT_STREQ(EditionName(35), " for Windows Essential Server Solutions (without Hyper-V)");
  EXPECT_STREQ(EditionName(64), " Cluster Server (without Hyper-V)");
  EXPECT_STREQ(EditionName(19), "");
  EXPECT_STREQ(EditionName(0), "");
}

TEST(OsName, Families) {
  OsFacts me;
  me.version.platform = kPlatform9x;
  me.version.major = 4;
  me.version.minor = 90;
  EXPECT_EQ(OsFamilyOf(me), OsFamily::kWindowsMe);
  EXPECT_EQ(OsFamilyOf(Nt(5, 2)), OsFamily::kWindowsXP);
  EXPECT_EQ(OsFamilyOf(Server(5, 2)), OsFamily::kServer2003);
  EXPECT_EQ(OsFamilyOf(Nt(6, 1)), OsFamily::kWindows7);
  EXPECT_EQ(OsFamilyOf(Server(6, 1)), OsFamily::kServer2008R2);
  EXPECT_EQ(OsFamilyOf(Nt(10, 0)), OsFamily::kWindows10);
  EXPECT_EQ(OsFamilyOf(Server(10, 0, 17763)), OsFamily::kServer2019);
  EXPECT_EQ(OsFamilyOf(Nt(3, 51)), OsFamily::kWindowsNT4);
  EXPECT_EQ(OsFamilyBit(OsFamily::kWindows7), 1u << 10);
}

}  // namespace
