// The page templates in setup.exe as built: every page and style by name,
// with its size in dialog units and its font.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "testkit/testkit.h"

namespace {

struct TemplateHeader {
  int width = 0;
  int height = 0;
  int points = 0;
  std::wstring font;
  std::wstring caption;
};

// Skips one name-or-ordinal field of an extended dialog template.
const WORD* SkipField(const WORD* at) {
  if (*at == 0xFFFF) return at + 2;
  while (*at) ++at;
  return at + 1;
}

bool ReadTemplate(HMODULE module, const wchar_t* name, TemplateHeader& out) {
  HRSRC resource = FindResourceW(module, name, RT_DIALOG);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
  if (!words || words[1] != 0xFFFF) return false;  // not an extended template
  out.width = static_cast<SHORT>(words[11]);
  out.height = static_cast<SHORT>(words[12]);
  const WORD* at = SkipField(SkipField(words + 13));  // menu, class
  out.caption = reinterpret_cast<const wchar_t*>(at);
  at = SkipField(at);
  out.points = at[0];
  out.font = reinterpret_cast<const wchar_t*>(at + 3);
  return true;
}

TEST(PageTemplates, EveryPageAndStyleHasItsSizeAndFont) {
  HMODULE setup = LoadLibraryExW(testkit::SetupExe().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(setup, nullptr);
  const struct {
    const wchar_t* name;
    int width, height;
  } templates[] = {
      {L"LanguageDlg", 280, 202},  {L"LanguageDlg2", 280, 202},  {L"LanguageDlg3", 280, 202},
      {L"LanguageDlg4", 280, 202}, {L"GreetingDlg", 280, 202},   {L"GreetingDlg3", 280, 152},
      {L"GreetingDlg4", 280, 202}, {L"LicenseDlg", 280, 202},    {L"LicenseDlg2", 280, 202},
      {L"LicenseDlg3", 280, 202},  {L"LicenseDlg4", 280, 202},   {L"ReadmeDlg", 280, 202},
      {L"ReadmeDlg2", 280, 202},   {L"ReadmeDlg3", 280, 202},    {L"ReadmeDlg4", 280, 202},
      {L"ChooseDirDlg", 280, 202}, {L"ChooseDirDlg2", 280, 202}, {L"ChooseDirDlg3", 280, 202},
      {L"ChooseDirDlg4", 280, 202}, {L"StartMenuDlg", 280, 202}, {L"StartMenuDlg2", 280, 202},
      {L"StartMenuDlg3", 280, 202}, {L"StartMenuDlg4", 280, 202}, {L"ProgressDlg", 280, 202},
      {L"ProgressDlg2", 195, 81},  {L"ProgressDlg3", 225, 107},  {L"ProgressDlg4", 280, 202},
      {L"SummaryDlg", 280, 202},   {L"SummaryDlg2", 280, 110},   {L"SummaryDlg3", 280, 202},
      {L"SummaryDlg4", 280, 202},  {L"EnterPassword", 269, 78},  {L"MustUninstall", 269, 61},
  };
  for (const auto& t : templates) {
    TemplateHeader header;
    ASSERT_TRUE(ReadTemplate(setup, t.name, header)) << testing::PrintToString(std::wstring(t.name));
    EXPECT_EQ(header.width, t.width) << testing::PrintToString(std::wstring(t.name));
    EXPECT_EQ(header.height, t.height) << testing::PrintToString(std::wstring(t.name));
    EXPECT_EQ(header.points, 10);
    EXPECT_EQ(header.font, L"MS Shell Dlg");
    EXPECT_TRUE(header.caption.empty());
  }
  // The plain greeting is a message box: it has no template.
  EXPECT_EQ(FindResourceW(setup, L"GreetingDlg2", RT_DIALOG), nullptr);
  FreeLibrary(setup);
}

}  // namespace
