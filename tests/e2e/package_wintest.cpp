// An installer made by the builder, read by setup.exe under Wine: the package
// is found and its settings and language table read. (Damaged copies are
// covered by corrupt_package_wintest.cpp.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "builder/pe_section.h"
#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

struct BoxSeen {
  std::wstring title;
  std::wstring text;
  DWORD exit_code = 0;
};

BoxSeen RunInstallerExpectingBox(const std::wstring& installer, const std::wstring& arguments = L"",
                                 const wchar_t* screenshot = nullptr) {
  BoxSeen seen;
  Process process = Process::Start(installer, arguments);
  EXPECT_TRUE(process.started()) << "error " << process.error();
  if (!process.started()) return seen;
  HWND box = testkit::WaitForWindow(process.id(), {testkit::kDialogClass, L""});
  EXPECT_NE(box, nullptr) << testkit::DescribeWindows(process.id());
  if (!box) return seen;
  seen.title = testkit::WindowTitle(box);
  seen.text = testkit::MessageBoxText(box);
  if (screenshot) {
    EXPECT_TRUE(testkit::Screenshot(screenshot));
  }
  EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
  EXPECT_TRUE(process.WaitForExit());
  seen.exit_code = process.ExitCode();
  return seen;
}

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

// Where the package section's table entry and raw data lie in an installer file.
struct PackagePlace {
  size_t table_entry = 0;
  size_t raw_pointer = 0;
};

PackagePlace FindPackage(const std::string& bytes) {
  PackagePlace place;
  PeLayout layout;
  std::string error;
  const String image(bytes.data(), static_cast<int32_t>(bytes.size()));
  EXPECT_TRUE(ReadPeLayout(image, &layout, &error)) << error;
  for (uint16_t i = 0; i < layout.section_count; ++i) {
    const size_t entry = layout.table_offset + 40u * i;
    if (std::memcmp(bytes.data() + entry, ".setup\0\0", 8) == 0) {
      place.table_entry = entry;
      place.raw_pointer = Le32(bytes, entry + 20);
    }
  }
  EXPECT_NE(place.raw_pointer, 0u) << "no .setup section";
  return place;
}

class PackageRead : public testing::Test {
 protected:
  void SetUp() override {
    product_ = e2e::TestProduct(L"Pkg");
    name_ = e2e::Wide(product_.settings.DisplayName);
    installer_ = e2e::BuildInstallerFile(product_);
    ASSERT_FALSE(installer_.empty());
    bytes_ = e2e::ReadBytes(installer_);
    place_ = FindPackage(bytes_);
  }

  // A copy of the installer with `edit` applied to its bytes.
  template <class Edit>
  std::wstring DamagedCopy(const wchar_t* file_name, Edit edit) {
    std::string copy = bytes_;
    edit(copy);
    const std::wstring path = e2e::TestFolder() + L"\\" + file_name;
    e2e::WriteBytes(path, copy);
    return path;
  }

  Product product_;
  std::wstring name_;
  std::wstring installer_;
  std::string bytes_;
  PackagePlace place_;
};

// Runs the installer to its greeting page, reads it, cancels, and confirms
// the cancellation notice.
BoxSeen RunInstallerToGreeting(const std::wstring& installer, const std::wstring& arguments,
                               const wchar_t* screenshot = nullptr) {
  BoxSeen seen;
  Process process = Process::Start(installer, arguments);
  EXPECT_TRUE(process.started()) << "error " << process.error();
  if (!process.started()) return seen;
  HWND page = testkit::WaitForWindow(process.id(), {testkit::kDialogClass, L""});
  EXPECT_NE(page, nullptr) << testkit::DescribeWindows(process.id());
  if (!page) return seen;
  seen.title = testkit::WindowTitle(page);
  seen.text = testkit::ControlText(page, 1009);
  if (screenshot) {
    EXPECT_TRUE(testkit::Screenshot(screenshot));
  }
  EXPECT_TRUE(testkit::ClickButton(page, 1003));
  HWND notice = nullptr;
  testkit::WaitUntil([&] {
    for (HWND found : testkit::TopLevelWindows(process.id(), {testkit::kDialogClass, L""})) {
      if (found != page && GetDlgItem(found, 0xFFFF)) notice = found;
    }
    return notice != nullptr || !process.Running();
  });
  if (notice) {
    EXPECT_TRUE(testkit::AnswerMessageBox(notice, IDOK));
  }
  EXPECT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
  seen.exit_code = process.ExitCode();
  return seen;
}

TEST_F(PackageRead, SettingsAndLanguageAreRead) {
  // The greeting page carries the product's name and the language's
  // greeting text, which proves both were read.
  const BoxSeen seen = RunInstallerToGreeting(installer_, L"", L"package-greeting");
  EXPECT_NE(seen.title.find(name_ + L" Setup"), std::wstring::npos) << seen.title;
  EXPECT_EQ(seen.text.rfind(L"This wizard will install " + name_ + L" on your computer.", 0), 0u) << seen.text;
  EXPECT_EQ(seen.exit_code, 1u);
}

TEST_F(PackageRead, ProductNameOverrideReachesTheTexts) {
  const BoxSeen seen = RunInstallerToGreeting(installer_, L"/n:\"Renamed Product\"");
  EXPECT_NE(seen.title.find(L"Renamed Product Setup"), std::wstring::npos) << seen.title;
}

TEST_F(PackageRead, SectionNamedSetupXIsNoPackage) {
  const std::wstring copy = DamagedCopy(L"setupx.exe", [this](std::string& b) { b[place_.table_entry + 6] = 'X'; });
  const BoxSeen seen = RunInstallerExpectingBox(copy);
  EXPECT_EQ(seen.text.rfind(L"This program performs installations and uninstallations.", 0), 0u) << seen.text;
  EXPECT_EQ(seen.exit_code, 1u);
}

TEST_F(PackageRead, SilentCorruptPackageShowsNothing) {
  const std::wstring copy = DamagedCopy(L"silent.exe", [this](std::string& b) { b[place_.raw_pointer] ^= 0x01; });
  Process process = Process::Start(copy, L"/silent");
  ASSERT_TRUE(process.started());
  EXPECT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
  EXPECT_EQ(process.ExitCode(), 1u);
}

}  // namespace
