// Destinations an installer must not write as named: a link planted in an
// install folder that others can write, and entry names that reach a device
// or that the system would read as another name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// Removes folders on the Unix side, where a link is removed as the link it is:
// through Wine a link shows as its target (a dangling one not at all), so a
// Windows delete of the scratch folder went through the links and left them
// behind for the next run. Waits for the sign that it is done.
bool RemoveWithLinks(const std::vector<std::wstring>& paths) {
  const std::wstring done = e2e::TestFolder() + L"\\removed";
  DeleteFileW(done.c_str());
  std::string script = "rm -rf";
  for (const std::wstring& path : paths) script.append(" ").append(testkit::ShellQuoted(testkit::UnixPath(path)));
  script.append(" && touch ").append(testkit::ShellQuoted(testkit::UnixPath(done)));
  if (!testkit::StartUnixShell(script)) return false;
  const bool removed = testkit::WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
  DeleteFileW(done.c_str());
  return removed;
}

// Links planted in the install folder: to a file and a folder outside, and to
// names outside that do not exist. None is written through, and none makes
// a file appear where it leads.
TEST(PlantedLinks, AreNotWrittenThroughAndTheRunSaysWhere) {
  Product product = e2e::TestProduct(L"Links");
  for (const char* name : {"victim.txt", "sub\\inner.txt", "dangling.txt", "sub\\new.txt", "fine.txt"}) {
    const std::string text = std::string("ours: ") + name;
    product.files.push_back(FileFromBytes(name, text.data(), text.size()));
  }
  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_FALSE(installer.empty());
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  const std::wstring outside = e2e::TestFolder() + L"\\Outside";
  // What an earlier run left when it was stopped half-way.
  ASSERT_TRUE(RemoveWithLinks({folder, outside}));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
  e2e::WriteBytes(outside + L"\\victim.txt", "not yours");
  e2e::WriteBytes(outside + L"\\inner.txt", "not yours either");
  ASSERT_TRUE(testkit::PlantSymbolicLink(folder + L"\\victim.txt", outside + L"\\victim.txt"));
  ASSERT_TRUE(testkit::PlantSymbolicLink(folder + L"\\sub", outside));
  // A link to a name that does not exist shows as nothing through Wine: it
  // is planted to an existing file, which then goes.
  e2e::WriteBytes(outside + L"\\missing.txt", "");
  ASSERT_TRUE(testkit::PlantSymbolicLink(folder + L"\\dangling.txt", outside + L"\\missing.txt"));
  ASSERT_TRUE(DeleteFileW((outside + L"\\missing.txt").c_str()));

  Process process = Process::Start(installer, L"/silent /d:\"" + folder + L"\"");
  ASSERT_TRUE(process.started());
  ASSERT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());

  EXPECT_EQ(e2e::ReadBytes(outside + L"\\victim.txt"), "not yours");
  EXPECT_EQ(e2e::ReadBytes(outside + L"\\inner.txt"), "not yours either");
  EXPECT_FALSE(testkit::FileExists(outside + L"\\missing.txt")) << "made through the dangling link";
  EXPECT_FALSE(testkit::FileExists(outside + L"\\new.txt")) << "made through the linked folder";
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\fine.txt"), "ours: fine.txt");
  // Every refusal is in the log's failure report, each naming its path.
  const std::string log = e2e::ReadBytes(folder + L"\\Install.log");
  for (const wchar_t* name : {L"victim.txt", L"sub\\inner.txt", L"dangling.txt", L"sub\\new.txt"}) {
    EXPECT_NE(log.find(Narrow(folder + L"\\" + name)), std::string::npos) << Narrow(name) << "\n" << log;
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                 (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName))
                     .c_str());
  EXPECT_TRUE(RemoveWithLinks({folder, outside}));
}

// Runs the installer in automatic mode and returns the text of the error box
// it shows (empty when none came before the program ended).
std::wstring ErrorBoxOf(const std::wstring& installer, const std::wstring& folder) {
  Process process = Process::Start(installer, L"/a /d:\"" + folder + L"\"");
  EXPECT_TRUE(process.started());
  HWND box = nullptr;
  testkit::WaitUntil(
      [&] {
        std::vector<HWND> boxes = testkit::TopLevelWindows(process.id(), {testkit::kDialogClass, L""});
        // A box counts once its text is in place.
        if (!boxes.empty() && testkit::IsMessageBox(boxes.front()) && !testkit::MessageBoxText(boxes.front()).empty()) {
          box = boxes.front();
        }
        return box != nullptr || !process.Running();
      });
  std::wstring text;
  if (box) {
    text = testkit::MessageBoxText(box);
    EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
  }
  EXPECT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
  if (!box) text = L"<no box; exit code " + std::to_wstring(process.ExitCode()) + L">";
  return text;
}

// One installer carries the name after a plain file; the damage must stop
// it with code 70 before anything reaches a device or a second name.
TEST(EntryNames, DevicesAndNamesTheSystemWouldChangeAreDamage) {
  const char* const names[] = {"CON",  "sub\\NUL.txt", "aux.log",    "com1",       "LPT9.txt",    "com0",
                               "prn",  "CONIN$",       "conout$.x",  "lpt\xB9.txt", "COM\xB3",     "con .txt",
                               "a.",   "x ",           "sub.\\a.txt", "sub \\a.txt", ". .\\a.txt"};
  const std::wstring code_line = L"\r\n\r\nError code: 70";
  for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
    const char* name = names[i];
    Product product = e2e::TestProduct(L"Names");
    product.files.push_back(FileFromBytes("first.txt", "first", 5));
    product.files.push_back(FileFromBytes(name, "device", 6));
    const std::wstring installer = e2e::BuildInstallerFile(product, L"names.exe");
    ASSERT_FALSE(installer.empty());
    const std::wstring folder = e2e::TestFolder() + L"\\App" + std::to_wstring(i);
    const std::wstring text = ErrorBoxOf(installer, folder);
    EXPECT_TRUE(text.size() >= code_line.size() && text.compare(text.size() - code_line.size(), code_line.size(),
                                                                 code_line) == 0)
        << name << ": " << Narrow(text);
  }
}

// A part of three dots or more is no damage: the installation goes on and
// the system decides (Wine refuses such a name; the run reports the path).
TEST(EntryNames, DotsAloneBeyondTwoAreNoDamage) {
  Product product = e2e::TestProduct(L"Dots");
  product.files.push_back(FileFromBytes("...\\a.txt", "dots", 4));
  product.files.push_back(FileFromBytes("after.txt", "after", 5));
  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_FALSE(installer.empty());
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  const std::wstring box = ErrorBoxOf(installer, folder);
  EXPECT_EQ(box.rfind(L"<no box", 0), 0u) << Narrow(box);
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\after.txt"), "after");
  const std::wstring dots = folder + L"\\...\\a.txt";
  if (!testkit::FileExists(dots)) {
    EXPECT_NE(e2e::ReadBytes(folder + L"\\Install.log").find(Narrow(dots)), std::string::npos);
  }
}

}  // namespace
