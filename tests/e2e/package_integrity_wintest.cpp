// The package inside a real installer: the builder makes one from setup.exe
// as built; with one byte changed, setup.exe must stop with the
// corrupt-package report naming the check that caught it, and exit code 1;
// the copy it keeps for uninstalling must be setup.exe again.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "builder/branding.h"
#include "builder/build_files.h"
#include "builder/package_writer.h"
#include "builder/pe_section.h"
#include "builder/test_damage.h"
#include "builder/test_unpack.h"
#include "builder/verify.h"
#include "package/corrupt.h"
#include "package/program_copy.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

String LoadSetupExe() {
  String stub;
  std::string error;
  EXPECT_TRUE(ReadFileBytes(Narrow(testkit::SetupExe()), &stub, &error)) << error;
  return stub;
}

Product TestProduct() {
  Product product = DefaultProduct(String(reinterpret_cast<const char16_t*>(testkit::UniqueName(L"BxCorrupt").c_str())), String(u"1.0"));
  const char text[] = "The package's only file.\r\n";
  product.files.push_back(FileFromBytes("only.txt", text, sizeof text - 1));
  return product;
}

String BuildOrFail(const Product& product) {
  String installer;
  std::string error;
  EXPECT_TRUE(BuildInstaller(LoadSetupExe(), product, &installer, &error)) << error;
  return installer;
}

struct Report {
  bool box_shown = false;
  std::wstring title;
  std::wstring text;
  DWORD exit_code = STILL_ACTIVE;
};

// Writes the installer to the test's scratch folder, runs it in automatic
// mode (no wizard pages, but error boxes still shown) into a folder of the
// scratch folder, and answers the box.
Report RunInstaller(const String& installer, const wchar_t* screenshot = nullptr) {
  Report report;
  const std::wstring scratch = testkit::ScratchDir();
  const std::wstring path = scratch + L"\\setup.exe";
  std::string error;
  EXPECT_TRUE(WriteFileBytes(Narrow(path), installer, &error)) << error;
  // Damage found once the installation is under way leaves its folder here.
  Process process = Process::Start(path, L"/a /d:\"" + scratch + L"\\App\"");
  EXPECT_TRUE(process.started()) << "error " << process.error();
  if (!process.started()) return report;
  // Either the report appears or the program ends without one.
  HWND box = nullptr;
  testkit::WaitUntil([&] {
    // The progress page of an automatic run is a dialog too; a report is a
    // message box, which has its text static, read once its title and text
    // are in place.
    for (HWND found : testkit::TopLevelWindows(process.id(), {testkit::kDialogClass, L""})) {
      if (GetDlgItem(found, 0xFFFF) && !testkit::WindowTitle(found).empty() &&
          !testkit::MessageBoxText(found).empty()) {
        box = found;
      }
    }
    return box != nullptr || !process.Running();
  });
  if (box) {
    report.box_shown = true;
    report.title = testkit::WindowTitle(box);
    report.text = testkit::MessageBoxText(box);
    if (screenshot) {
      EXPECT_TRUE(testkit::Screenshot(screenshot));
    }
    EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
  }
  EXPECT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
  report.exit_code = process.ExitCode();
  return report;
}

std::wstring CodeLine(int code) { return L"\r\n\r\nError code: " + std::to_wstring(code); }

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(CorruptPackage, IntactInstallerShowsNoReport) {
  const Report report = RunInstaller(BuildOrFail(TestProduct()));
  EXPECT_FALSE(report.box_shown) << report.text;
  EXPECT_EQ(report.exit_code, 1u);
}

// Offsets of the header's fields in the package section ("37.0" and its zero
// take bytes 4 to 8).
constexpr size_t kSettingsSizeAt = 13;
constexpr size_t kProgramChecksumAt = 21;
constexpr size_t kPackageEndAt = 25;
constexpr size_t kEntryCountAt = 29;
constexpr size_t kFileDataLengthAt = 33;
constexpr size_t kFileDataChecksumAt = 37;
constexpr size_t kFirstContentSizeAt = 41;

uint32_t LoadLe32At(const String& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.bytes() + at, 4);
  return value;
}

void StoreLe32At(String& bytes, size_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

// Each header field damaged on its own, sizes that would overflow a 32-bit
// sum or product among them: the report names the field's check.
TEST(CorruptPackage, DamagedHeaderIsReportedWithItsNumber) {
  const String intact_installer = BuildOrFail(TestProduct());
  const Unpacked intact = Unpack(intact_installer);
  ASSERT_EQ(intact.corrupt, kCorruptNone);
  ASSERT_EQ(intact.header.entry_count, 1);
  struct Case {
    const char* what;
    size_t field;
    uint32_t (*damage)(uint32_t value);
    int code;
  };
  const Case cases[] = {
      {"magic, one bit", 0, [](uint32_t v) { return v ^ 0x01u; }, kCorruptMagic},
      {"settings size 0", kSettingsSizeAt, [](uint32_t) { return 0u; }, kCorruptSettingsSize},
      {"settings size largest", kSettingsSizeAt, [](uint32_t) { return 0x7FFFFFFFu; }, kCorruptSettingsSize},
      {"program checksum, one bit", kProgramChecksumAt, [](uint32_t v) { return v ^ 0x100u; },
       kCorruptProgramChecksum},
      {"package end negative", kPackageEndAt, [](uint32_t v) { return v | 0x80000000u; }, kCorruptPackageEnd},
      {"package end largest", kPackageEndAt, [](uint32_t) { return 0x7FFFFFFFu; }, kCorruptFileDataPlace},
      {"entry count negative", kEntryCountAt, [](uint32_t v) { return v | 0x80000000u; }, kCorruptEntryCount},
      // Four times this count wraps round to four times the true one.
      {"entry count wrapping", kEntryCountAt, [](uint32_t v) { return v + 0x40000000u; }, kCorruptHeaderContentSize},
      {"entry count largest", kEntryCountAt, [](uint32_t) { return 0x7FFFFFFFu; }, kCorruptHeaderContentSize},
      {"file-data length negative", kFileDataLengthAt, [](uint32_t v) { return v | 0x80000000u; },
       kCorruptFileDataLength},
      {"file-data length largest", kFileDataLengthAt, [](uint32_t) { return 0x7FFFFFFFu; }, kCorruptFileDataPlace},
      {"file-data checksum, one bit", kFileDataChecksumAt, [](uint32_t v) { return v ^ 0x8000u; },
       kCorruptFileDataChecksum},
      {"content size above limit", kFirstContentSizeAt, [](uint32_t) { return 0x40000001u; },
       kCorruptHeaderContentSize},
      {"content size negative", kFirstContentSizeAt, [](uint32_t) { return 0xFFFFFFFFu; },
       kCorruptHeaderContentSize},
  };
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    String installer = intact_installer;
    const size_t at = intact.section.raw_pointer + c.field;
    StoreLe32At(installer, at, c.damage(LoadLe32At(installer, at)));
    const Report report = RunInstaller(installer, first ? L"corrupt-package-header" : nullptr);
    first = false;
    ASSERT_TRUE(report.box_shown);
    EXPECT_EQ(report.title, L"Error");
    EXPECT_EQ(report.text.rfind(L"This installation program is corrupt.  ", 0), 0u) << report.text;
    EXPECT_TRUE(EndsWith(report.text, CodeLine(c.code))) << report.text;
    EXPECT_EQ(report.exit_code, 1u);
  }
}

// An installer cut short, as an interrupted download leaves it. Cut inside
// its sections, the system refuses to start it; with the file data after the
// section, the program starts and finds the data shorter than its header says.
TEST(CorruptPackage, TruncatedFileDataIsReportedAsCorrupt) {
  Product product = TestProduct();
  product.settings.FileDataOutside = 1;
  String installer = BuildOrFail(product);
  const Unpacked intact = Unpack(installer);
  ASSERT_EQ(intact.corrupt, kCorruptNone);
  installer.SetLength(installer.length() - intact.header.file_data_length / 2);
  const Report report = RunInstaller(installer);
  ASSERT_TRUE(report.box_shown);
  EXPECT_TRUE(EndsWith(report.text, CodeLine(kCorruptFileDataPlace))) << report.text;
  EXPECT_EQ(report.exit_code, 1u);
}

TEST(CorruptPackage, DamagedSettingsAreReportedWithTheNumberOfTheCheck) {
  String installer = BuildOrFail(TestProduct());
  const Unpacked intact = Unpack(installer);
  ASSERT_EQ(intact.corrupt, kCorruptNone);
  const size_t settings = intact.section.raw_pointer + intact.header.file_data_offset -
                          intact.header.settings_block.length;
  installer.data()[settings + intact.header.settings_block.length / 2] ^= 0x10;
  // The installer's own decoders, run here, say which check must catch it.
  const int expected = Unpack(installer).corrupt;
  ASSERT_TRUE(expected == kCorruptSettingsInflate || expected == kCorruptSettingsChecksum) << expected;
  const Report report = RunInstaller(installer);
  ASSERT_TRUE(report.box_shown);
  EXPECT_TRUE(EndsWith(report.text, CodeLine(expected))) << report.text;
  EXPECT_EQ(report.exit_code, 1u);
}

TEST(CorruptPackage, ChangedProgramIsReportedInTheProductsWords) {
  Product product = TestProduct();
  product.languages[0].messages[13] = String(u"This copy of <product> is damaged (code %d).");
  product.languages[0].messages[21] = String(u"Setup Problem");
  String installer = BuildOrFail(product);
  const Unpacked intact = Unpack(installer);
  ASSERT_EQ(intact.corrupt, kCorruptNone);
  // The last byte of the header padding: never read by the loader or the
  // program, but covered by the program checksum.
  PeLayout layout;
  ASSERT_TRUE(ReadPeLayout(installer, &layout, nullptr));
  ASSERT_GT(layout.size_of_headers, layout.table_offset + 40u * layout.section_count + 80u);
  installer.data()[layout.size_of_headers - 1] ^= 0x01;
  const Report report = RunInstaller(installer, L"corrupt-package-program");
  ASSERT_TRUE(report.box_shown);
  const std::wstring name(reinterpret_cast<const wchar_t*>(product.settings.DisplayName.w_str()));
  EXPECT_EQ(report.text, L"This copy of " + name + L" is damaged (code 40).");
  EXPECT_EQ(report.title, L"Setup Problem");
  EXPECT_EQ(report.exit_code, 1u);
}

TEST(CorruptPackage, ForeignInstallerVersionShowsTheVersionMessage) {
  String installer = BuildOrFail(TestProduct());
  const Unpacked intact = Unpack(installer);
  ASSERT_EQ(intact.corrupt, kCorruptNone);
  installer.data()[intact.section.raw_pointer + 5] = '6';  // "37.0" becomes "36.0"
  const Report report = RunInstaller(installer);
  ASSERT_TRUE(report.box_shown);
  EXPECT_EQ(report.text,
            L"The installer version (37.0) does not match the version of Bastionix Setup (36.0).  "
            L"Close all applications and reinstall Bastionix Setup.");
  EXPECT_EQ(report.exit_code, 1u);
}

// The copy kept for uninstalling is setup.exe again (as the builder branded
// it for the product), and it runs: without a package it says so.
TEST(StrippedCopy, IsTheSetupProgramAgainAndRuns) {
  String stripped;
  for (uint8_t place : {0, 1}) {
    Product product = TestProduct();
    String stub, extras;
    std::string reason;
    ASSERT_TRUE(BrandProgram(LoadSetupExe(), product, &stub, &extras, &reason)) << reason;
    product.settings.FileDataOutside = place;
    const String installer = BuildOrFail(product);
    ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
    ProgramFile file = MemoryProgramFile(&image);
    const Unpacked intact = Unpack(installer);
    ASSERT_EQ(intact.corrupt, kCorruptNone);
    ProgramCopyRequest request;
    request.keep_stripped = true;
    request.file_data_after_section = place != 0;
    ProgramCopy copy;
    ASSERT_EQ(PrepareProgramCopy(file, intact.section, intact.header, request, &copy), kCorruptNone);
    PeLayout layout;
    ASSERT_TRUE(ReadPeLayout(stub, &layout, nullptr));
    // Byte for byte, but for the image checksum, which covers the package,
    // and the zero bytes up to where the package section began.
    String expected = stub;
    std::memcpy(expected.data() + layout.checksum_offset(), copy.stripped.bytes() + layout.checksum_offset(), 4);
    expected.SetLength(static_cast<int32_t>(intact.section.raw_pointer));
    ASSERT_TRUE(copy.stripped == expected) << "file data place " << int{place};
    stripped = copy.stripped;
  }
  const std::wstring path = testkit::ScratchDir() + L"\\uninstall.exe";
  std::string error;
  ASSERT_TRUE(WriteFileBytes(Narrow(path), stripped, &error)) << error;
  Process process = Process::Start(path);
  ASSERT_TRUE(process.started());
  HWND box = testkit::WaitForWindow(process.id(), {testkit::kDialogClass, L""});
  ASSERT_NE(box, nullptr) << testkit::DescribeWindows(process.id());
  EXPECT_NE(testkit::MessageBoxText(box).find(L"There is no installation data present."), std::wstring::npos);
  EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
  EXPECT_TRUE(process.WaitForExit());
}

}  // namespace

namespace {

// The error code at the end of a corrupt-package report; -1 without one.
int ReportedCode(const std::wstring& text) {
  const size_t at = text.rfind(L"Error code: ");
  return at == std::wstring::npos ? -1 : std::stoi(text.substr(at + 12));
}

// setup-builder verify reads the package with the same code: for damage in
// every stage, before anything is written and while the files are
// installed, it names the number setup.exe reports.
TEST(CorruptPackage, VerifyNamesWhatSetupReports) {
  Product product = TestProduct();
  product.settings.SetFlag(product_flag::kCompressedBlocks, false);
  product.files.push_back(FileFromBytes("second.txt", "second file", 11));
  const String intact_installer = BuildOrFail(product);
  const Unpacked intact = Unpack(intact_installer);
  ASSERT_EQ(intact.corrupt, kCorruptNone);
  const size_t package = intact.section.raw_pointer;
  const size_t settings = package + intact.header.file_data_offset - intact.header.settings_block.length;
  const std::string all(intact_installer.c_str(), static_cast<size_t>(intact_installer.length()));
  const size_t content = all.find("The package's only file.");
  ASSERT_NE(content, std::string::npos);
  struct Case {
    const char* what;
    size_t at;
    bool refresh;  // past the block checks, to the entry's own
  } cases[] = {
      {"entry count", package + kEntryCountAt + 3, false},
      {"settings block", settings + intact.header.settings_block.length / 2, false},
      {"file data", content + 3, false},
      {"entry content", content + 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    String installer = intact_installer;
    installer.data()[c.at] ^= 0x80;
    if (c.refresh) RefreshChecksums(&installer, intact);
    ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
    std::string verdict;
    EXPECT_EQ(VerifyInstaller(MemoryProgramFile(&image), image, &verdict), 1);
    const Report report = RunInstaller(installer);
    ASSERT_TRUE(report.box_shown);
    const int code = ReportedCode(report.text);
    EXPECT_NE(code, -1) << report.text;
    EXPECT_NE(verdict.find("error code " + std::to_string(code) + " ("), std::string::npos)
        << "setup.exe: " << code << ", verify: " << verdict;
  }
}

}  // namespace
