#include <windows.h>

#include "uninstall/undo_steps.h"

#include <gtest/gtest.h>

#include "core/registry_win.h"

namespace {

constexpr char16_t kKey[] = u"Software\\Bastionix Undo Test";

bool Exists(const char16_t* subkey) {
  return KeyExists(RegRoot::kCurrentUser, subkey, kRegReadOnly, RegView::kDefault);
}

void Put(const char16_t* subkey, const char16_t* name) {
  RegistryKey key;
  ASSERT_NE(key.Open(RegRoot::kCurrentUser, subkey, kRegNoStack, kRegWriteAccess, RegView::kDefault),
            RegistryKey::kFailed);
  ASSERT_TRUE(key.WriteText(name, u"x", 0));
}

void DeleteTestKey() {
  RegistryKey key;
  if (key.Open(RegRoot::kCurrentUser, u"Software", kRegNoStack, kRegWriteAccess, RegView::kDefault) !=
      RegistryKey::kFailed) {
    key.DeleteKey(u"Bastionix Undo Test", 0);
  }
}

// Key records may come before the values their keys hold, and a child's
// before its parent's; every emptied key goes, a key with a kept value stays.
TEST(UndoRegistryEntries, KeysGoOnceTheirValuesAreGone) {
  DeleteTestKey();
  Put(u"Software\\Bastionix Undo Test\\Child", u"A");
  Put(u"Software\\Bastionix Undo Test\\Kept", u"Stays");
  Put(u"Software\\Bastionix Undo Test\\Kept", u"B");
  const String table(
      u"HKCU\\Software\\Bastionix Undo Test\\Child\r\n"
      u"HKCU\\Software\\Bastionix Undo Test\r\n"
      u"HKCU\\Software\\Bastionix Undo Test\\Kept\r\n"
      u"HKCU\\Software\\Bastionix Undo Test\\Child,A,1,x,3\r\n"
      u"HKCU\\Software\\Bastionix Undo Test\\Kept,B,1,x,5\r\n"
      u"HKCU\\Software\\Bastionix Undo Test\\Kept,Stays,1,x,1\r\n");
  UndoRegistryEntries(table, RegView::kDefault);

  EXPECT_FALSE(Exists(u"Software\\Bastionix Undo Test\\Child"));
  EXPECT_TRUE(Exists(u"Software\\Bastionix Undo Test\\Kept"));
  {
    RegistryKey key;
    ASSERT_NE(key.Open(RegRoot::kCurrentUser, u"Software\\Bastionix Undo Test\\Kept", kRegOpenOnly | kRegNoStack,
                       kRegReadAccess, RegView::kDefault),
              RegistryKey::kFailed);
    String text;
    EXPECT_FALSE(key.ReadText(u"B", &text, 0));
    EXPECT_TRUE(key.ReadText(u"Stays", &text, 0));
  }
  DeleteTestKey();

  // With the kept value gone too, the whole tree goes, parent record first.
  Put(u"Software\\Bastionix Undo Test\\Kept", u"B");
  UndoRegistryEntries(String(u"HKCU\\Software\\Bastionix Undo Test\r\n"
                             u"HKCU\\Software\\Bastionix Undo Test\\Kept\r\n"
                             u"HKCU\\Software\\Bastionix Undo Test\\Kept,B,1,x,2\r\n"),
                      RegView::kDefault);
  EXPECT_FALSE(Exists(u"Software\\Bastionix Undo Test\\Kept"));
  EXPECT_TRUE(Exists(kKey));  // listed before its child: tried while not yet empty
  DeleteTestKey();
}

}  // namespace
