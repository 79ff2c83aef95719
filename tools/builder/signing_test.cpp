// Signed installers: what a signing tool adds must not break the package, the
// uninstaller left behind carries its own signature, and a real signing tool
// (osslsigncode, with a certificate made here) accepts both.
#include "builder/signing.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "builder/build_files.h"
#include "builder/package_writer.h"
#include "builder/test_signing.h"
#include "builder/test_stub.h"
#include "builder/test_unpack.h"
#include "package/byte_order.h"
#include "package/corrupt.h"
#include "package/extras.h"

namespace {

Product SignedProduct(bool after_section, bool enciphered) {
  Product product = DefaultProduct(String(u"Signed Product"), String(u"2.0"));
  String big;
  for (int i = 0; i < 70000; ++i) big.Append(static_cast<char>('a' + (i * 7 + i / 13) % 26));
  product.files.push_back(FileFromBytes("data.bin", big.bytes(), static_cast<size_t>(big.length())));
  product.files.push_back(FileFromBytes("odd.txt", "odd", 3));  // file data of no round length
  product.settings.FileDataOutside = after_section ? 1 : 0;
  if (enciphered) {
    product.settings.ProductFlags2 |= 1u << product_flag2::kEnciphered;
    for (size_t i = 0; i < kPackageCipherKeyLength; ++i) product.options.cipher_key[i] = static_cast<uint8_t>(i * 37 + 1);
  }
  return product;
}

TEST(Signing, AnInstallerSignedAfterBuildingStillReadsWhole) {
  struct Case {
    bool after_section;
    bool enciphered;
    size_t extra_gap;  // bytes between the data's aligned end and the table
    int expected;
  } cases[] = {
      {false, false, 0, kCorruptNone},          {true, false, 0, kCorruptNone},
      {true, true, 0, kCorruptNone},            {false, true, 0, kCorruptNone},
      {true, false, 8, kCorruptFileDataPlace},  // not alignment: the data is not what was built
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "after " << c.after_section << " enciphered " << c.enciphered << " gap "
                                    << c.extra_gap);
    Product product = SignedProduct(c.after_section, c.enciphered);
    String installer;
    std::string error;
    ASSERT_TRUE(BuildInstaller(MakeTestStub(), product, &installer, &error)) << error;
    const String signed_installer = FakeSigned(installer, c.extra_gap);
    Unpacked u = Unpack(signed_installer);
    ASSERT_EQ(u.corrupt, c.expected);
    if (c.expected != kCorruptNone) continue;
    ASSERT_EQ(u.contents.size(), 2u);
    EXPECT_EQ(u.contents[1], "odd");
    // The uninstaller drops the installer's certificate and its entry.
    String before, after;
    ASSERT_TRUE(UninstallerOf(installer, product.settings, &before, &error)) << error;
    ASSERT_TRUE(UninstallerOf(signed_installer, product.settings, &after, &error)) << error;
    ASSERT_FALSE(before.empty());
    // The CheckSum field is the installer's in both (never valid for the copy).
    StoreLe32(before.data() + kTestStubPe + kPeCheckSumFieldOffset, 0);
    StoreLe32(after.data() + kTestStubPe + kPeCheckSumFieldOffset, 0);
    EXPECT_TRUE(before == after);
    EXPECT_EQ(LoadLe32(after.bytes() + kTestStubPe + kPeSecurityEntryOffset), 0u);
  }
}

TEST(Signing, TheUninstallerCarriesItsOwnSignature) {
  for (bool after_section : {false, true}) {
    SCOPED_TRACE(after_section);
    Product product = SignedProduct(after_section, false);
    String draft, copy, record, extras, installer, left;
    std::string error;
    ASSERT_TRUE(BuildInstaller(MakeTestStub(), product, &draft, &error)) << error;
    ASSERT_TRUE(UninstallerOf(draft, product.settings, &copy, &error)) << error;
    const String signed_copy = FakeSigned(copy, 0);
    ASSERT_TRUE(CarriedSignatureOf(copy, signed_copy, &record, &error)) << error;
    AppendExtra(&extras, extras_tag::kUninstallerSignature, record.bytes(), static_cast<size_t>(record.length()));
    ASSERT_TRUE(BuildInstallerWithExtras(MakeTestStub(), product, extras, &installer, &error)) << error;
    ASSERT_EQ(Unpack(installer).corrupt, kCorruptNone);
    ASSERT_TRUE(UninstallerOf(FakeSigned(installer, 0), product.settings, &left, &error)) << error;
    EXPECT_TRUE(left == signed_copy);

    // A signer that changes more than its fields is refused.
    String tampered = signed_copy;
    tampered.data()[0x200] ^= 1;
    EXPECT_FALSE(CarriedSignatureOf(copy, tampered, &record, &error));
  }
}

std::string Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0 ? "ok" : "failed: " + command;
}

TEST(Signing, OsslsigncodeSignsAndVerifiesInstallerAndUninstaller) {
  if (std::system("command -v osslsigncode >/dev/null && command -v openssl >/dev/null") != 0) {
    GTEST_SKIP() << "osslsigncode or openssl missing (scripts/setup.sh installs them)";
  }
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("bx-signing-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string key = (dir / "key.pem").string(), cert = (dir / "cert.pem").string();
  ASSERT_EQ(Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Bastionix-Test -keyout " + key +
                " -out " + cert),
            "ok");
  const std::string sign = "osslsigncode sign -certs " + cert + " -key " + key +
                           " -in {file} -out {file}.s >/dev/null && mv {file}.s {file}";
  for (bool after_section : {false, true}) {
    SCOPED_TRACE(after_section);
    Product product = SignedProduct(after_section, false);
    const std::string installer_path = (dir / ("installer-" + std::to_string(after_section) + ".exe")).string();
    const std::string uninstaller_path = (dir / "uninstaller.exe").string();
    String installer, uninstaller;
    std::string error;
    uint64_t size = 0;
    ASSERT_TRUE(BuildSignedInstaller(MakeTestStub(), product, sign, (dir / "scratch.exe").string(), installer_path,
                                     &size, &error))
        << error;
    ASSERT_TRUE(ReadFileBytes(installer_path, &installer, &error)) << error;
    EXPECT_EQ(size, static_cast<uint64_t>(installer.length()));
    ASSERT_EQ(Unpack(installer).corrupt, kCorruptNone);
    ASSERT_TRUE(UninstallerOf(installer, product.settings, &uninstaller, &error)) << error;
    ASSERT_TRUE(WriteFileBytes(uninstaller_path, uninstaller, &error)) << error;
    EXPECT_EQ(Shell("osslsigncode verify -CAfile " + cert + " -in " + installer_path), "ok");
    EXPECT_EQ(Shell("osslsigncode verify -CAfile " + cert + " -in " + uninstaller_path), "ok");
  }
  // A failing command fails the build, whether it fails on the uninstaller
  // or on the installer itself.
  const std::pair<std::string, std::string> commands[] = {
      {"false {file}", "failed with exit code 1: "},
      {"case {file} in *failed.exe) exit 3;; esac; " + sign, "failed with exit code 3: "}};
  for (const auto& [command, reported] : commands) {
    SCOPED_TRACE(command);
    std::string error;
    uint64_t size = 0;
    fs::remove(dir / "failed.exe");
    EXPECT_FALSE(BuildSignedInstaller(MakeTestStub(), SignedProduct(false, false), command,
                                      (dir / "scratch.exe").string(), (dir / "failed.exe").string(), &size, &error));
    EXPECT_NE(error.find("signing command " + reported), std::string::npos) << error;
  }
  fs::remove_all(dir);
}

}  // namespace
