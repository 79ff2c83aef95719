// The registry layer against the real registry (Wine's, under ctest). Every
// test works below its own key, HKCU\Software\BastionixTests\<test>, and
// removes it afterwards.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/registry_win.h"

namespace {

std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

bool Contains(const Array<String>& names, const std::u16string& wanted) {
  for (const String& name : names) {
    if (W(name) == wanted) return true;
  }
  return false;
}

// The string form of the current user's SID: the name of its hive under HKEY_USERS.
std::u16string CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return u"";
  alignas(8) BYTE buffer[256];
  DWORD size = 0;
  std::u16string sid;
  wchar_t* text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
    sid = reinterpret_cast<const char16_t*>(text);
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

// Reads a value straight from the system, to see what was really stored.
bool RawQuery(HKEY root, const std::u16string& key_path, const char16_t* name, DWORD* type, std::string* data,
              REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, reinterpret_cast<const wchar_t*>(key_path.c_str()), 0, KEY_QUERY_VALUE | view, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, reinterpret_cast<const wchar_t*>(name), nullptr, type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    data->assign(size, '\0');
    status = RegQueryValueExW(key, reinterpret_cast<const wchar_t*>(name), nullptr, type,
                              reinterpret_cast<BYTE*>(data->data()), &size);
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool RawKeyExists(HKEY root, const std::u16string& key_path, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, reinterpret_cast<const wchar_t*>(key_path.c_str()), 0, KEY_READ | view, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = u"Software\\BastionixTests\\";
    for (const char* c = ::testing::UnitTest::GetInstance()->current_test_info()->name(); *c; ++c) {
      name_ += static_cast<char16_t>(*c);
    }
    DeleteKeyPath((u"HKCU\\" + name_).c_str(), 0, RegView::kDefault);
  }
  void TearDown() override {
    DeleteKeyPath((u"HKCU\\" + name_).c_str(), 0, RegView::kDefault);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\BastionixTests");  // only when empty
  }

  // The test's own key, with `tail` ("\\Sub") below it.
  std::u16string Path(const std::u16string& tail = u"") const { return name_ + tail; }

  int OpenOwn(RegistryKey* key, const std::u16string& tail = u"", uint32_t options = 0) {
    return key->Open(RegRoot::kCurrentUser, Path(tail).c_str(), options, kRegWriteAccess, RegView::kDefault);
  }

  std::u16string name_;
};

TEST_F(Registry, OpenCreatesOnceThenOpensAndNamesTheKey) {
  RegistryKey key;
  EXPECT_EQ(OpenOwn(&key), RegistryKey::kCreated);
  EXPECT_EQ(W(key.display_path()), u"HKEY_CURRENT_USER\\" + name_ + u"\\");
  key.Close();
  EXPECT_FALSE(key.is_open());
  EXPECT_EQ(OpenOwn(&key), RegistryKey::kOpened);

  RegistryKey other;
  SetLastError(0);
  EXPECT_EQ(OpenOwn(&other, u"\\Missing", kRegOpenOnly), RegistryKey::kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Path(u"\\Missing")));

  EXPECT_EQ(other.Open(RegRoot::kNone, u"Software", 0, kRegReadAccess, RegView::kDefault), RegistryKey::kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Registry, EveryValueTypeRoundTrips) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  Array<String> list;
  list.Emplace(u"first item");
  list.Emplace(u"C:\\second");
  const uint8_t bytes[] = {0x00, 0xFF, 0x10, 0x00, 0x7F};
  ASSERT_TRUE(key.WriteText(u"Text", u"C:\\Program Files\\Product", 0));
  ASSERT_TRUE(key.WriteText(u"Expandable", String(u"%SystemRoot%\\notepad.exe"), kRegAsExpandable));
  ASSERT_TRUE(key.WriteList(u"List", list, 0));
  ASSERT_TRUE(key.WriteNumber(u"Number", 0xDEADBEEFu, 0));
  ASSERT_TRUE(key.WriteQword(u"Big", 0x0123456789ABCDEFull, 0));
  ASSERT_TRUE(key.WriteBinary(u"Bytes", bytes, sizeof(bytes), 0));
  ASSERT_TRUE(key.WriteText(u"", u"default value", 0));
  ASSERT_TRUE(key.WriteReal(u"Real", 2.5, 0));

  RegValue value;
  ASSERT_TRUE(key.ReadValue(u"Text", &value, 0));
  EXPECT_EQ(value.type, kRegSz);
  EXPECT_EQ(W(value.data), u"C:\\Program Files\\Product");
  ASSERT_TRUE(key.ReadValue(u"Expandable", &value, 0));
  EXPECT_EQ(value.type, kRegExpandSz);
  EXPECT_EQ(W(value.data), u"%SystemRoot%\\notepad.exe");  // stored unexpanded

  Array<String> back;
  ASSERT_TRUE(key.ReadList(u"List", &back, 0));
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(W(back[0]), u"first item");
  EXPECT_EQ(W(back[1]), u"C:\\second");

  uint32_t number = 0;
  ASSERT_TRUE(key.ReadNumber(u"Number", &number, 0));
  EXPECT_EQ(number, 0xDEADBEEFu);
  uint64_t big = 0;
  ASSERT_TRUE(key.ReadQword(u"Big", &big, 0));
  EXPECT_EQ(big, 0x0123456789ABCDEFull);
  ASSERT_TRUE(key.ReadValue(u"Bytes", &value, 0));
  EXPECT_EQ(value.type, kRegBinary);
  ASSERT_EQ(value.data.length(), static_cast<int32_t>(sizeof(bytes)));
  EXPECT_EQ(std::memcmp(value.data.bytes(), bytes, sizeof(bytes)), 0);
  String text;
  ASSERT_TRUE(key.ReadText(u"", &text, 0));
  EXPECT_EQ(W(text), u"default value");
  ASSERT_TRUE(key.ReadText(u"Real", &text, 0));
  EXPECT_EQ(W(text), u"2.5");
  double real = 0;
  ASSERT_TRUE(key.ReadReal(u"Real", &real, 0));
  EXPECT_EQ(real, 2.5);
  ASSERT_TRUE(key.ReadReal(u"Number", &real, 0));
  EXPECT_EQ(real, 3735928559.0);
  EXPECT_FALSE(key.ReadReal(u"Expandable", &real, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

  // Texts are stored with their terminating zero, as other readers expect.
  DWORD type = 0;
  std::string raw;
  ASSERT_TRUE(RawQuery(HKEY_CURRENT_USER, Path(), u"Text", &type, &raw));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw.size(), (std::u16string(u"C:\\Program Files\\Product").size() + 1) * 2);
  ASSERT_TRUE(RawQuery(HKEY_CURRENT_USER, Path(), u"List", &type, &raw));
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(raw.size(), (10 + 1 + 9 + 1 + 1) * 2u);
}

TEST_F(Registry, TextFromOtherWritersAndTextAsBinary) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  // Written without a terminating zero, and with two.
  ASSERT_TRUE(key.WriteValue(u"Bare", kRegSz, u"abc", 6, 0));
  ASSERT_TRUE(key.WriteValue(u"Padded", kRegSz, u"abc\0", 10, 0));
  String text;
  ASSERT_TRUE(key.ReadText(u"Bare", &text, 0));
  EXPECT_EQ(W(text), u"abc");
  ASSERT_TRUE(key.ReadText(u"Padded", &text, 0));
  EXPECT_EQ(W(text), u"abc");
  ASSERT_TRUE(key.ReadText(u"Padded", &text, kRegKeepZero));
  EXPECT_EQ(text.length(), 10);

  ASSERT_TRUE(key.WriteText(u"AsBinary", String("8-bit"), kRegAsBinary));
  RegValue value;
  ASSERT_TRUE(key.ReadValue(u"AsBinary", &value, 0));
  EXPECT_EQ(value.type, kRegBinary);
  EXPECT_EQ(std::string(value.data.c_str(), static_cast<size_t>(value.data.length())), "8-bit");
}

TEST_F(Registry, NumbersOfTheWrongSizeAreNotNumbers) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  const uint8_t eight[8] = {5, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(key.WriteValue(u"LongDword", kRegDword, eight, 8, 0));
  ASSERT_TRUE(key.WriteValue(u"ShortQword", kRegQword, eight, 4, 0));
  ASSERT_TRUE(key.WriteNumber(u"Dword", 5, 0));
  ASSERT_TRUE(key.WriteValue(u"Link", REG_LINK, u"x", 2, 0));

  uint32_t number = 77;
  SetLastError(0);
  EXPECT_FALSE(key.ReadNumber(u"LongDword", &number, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(number, 77u);
  RegValue value;
  EXPECT_FALSE(key.ReadValue(u"LongDword", &value, 0));
  uint64_t big = 0;
  EXPECT_FALSE(key.ReadQword(u"ShortQword", &big, 0));
  EXPECT_FALSE(key.ReadQword(u"Dword", &big, 0));  // no widening either
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  String text;
  EXPECT_FALSE(key.ReadText(u"Dword", &text, 0));
  EXPECT_FALSE(key.ReadValue(u"Link", &value, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST_F(Registry, LargeValuesAreReadUpToTheLimit) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  String big;
  big.SetLength(200000);
  for (int32_t i = 0; i < big.length(); ++i) big.At(i) = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(key.WriteBinary(u"Big", big.bytes(), static_cast<uint32_t>(big.length()), 0));
  RegValue value;
  ASSERT_TRUE(key.ReadValue(u"Big", &value, 0));
  EXPECT_TRUE(value.data == big);

  big.SetLength(static_cast<int32_t>(kRegMaxValueSize) + 2);
  ASSERT_TRUE(key.WriteBinary(u"TooBig", big.bytes(), static_cast<uint32_t>(big.length()), 0));
  EXPECT_FALSE(key.ReadValue(u"TooBig", &value, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST_F(Registry, WriteOptionsAndFailures) {
  RegistryKey key;
  SetLastError(0);
  EXPECT_FALSE(key.WriteNumber(u"NoKey", 1, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  RegValue value;
  EXPECT_FALSE(key.ReadValue(u"NoKey", &value, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  ASSERT_TRUE(key.WriteText(u"Kept", u"first", 0));
  EXPECT_TRUE(key.WriteText(u"Kept", u"second", kRegNoOverwrite));
  EXPECT_TRUE(key.WriteText(u"New", u"written", kRegNoOverwrite));
  String text;
  ASSERT_TRUE(key.ReadText(u"Kept", &text, 0));
  EXPECT_EQ(W(text), u"first");
  ASSERT_TRUE(key.ReadText(u"New", &text, 0));
  EXPECT_EQ(W(text), u"written");

  EXPECT_TRUE(key.WriteText(u"Kept", u"", kRegEmptyDeletes));
  EXPECT_FALSE(key.ValueExists(u"Kept"));
  EXPECT_TRUE(key.WriteText(u"NeverThere", u"", kRegEmptyDeletes));
  EXPECT_FALSE(key.ValueExists(u"NeverThere"));
  EXPECT_TRUE(key.WriteText(u"EmptyKept", u"", 0));
  EXPECT_TRUE(key.ValueExists(u"EmptyKept"));

  SetLastError(0);
  EXPECT_FALSE(key.ReadText(u"Absent", &text, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(key.DeleteValue(u"New", 0));
  EXPECT_FALSE(key.DeleteValue(u"New", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Registry, CloseReturnsToTheKeyOpenBefore) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  ASSERT_TRUE(key.WriteText(u"Where", u"outer", 0));
  ASSERT_EQ(key.OpenSubkey(u"Inner", 0, kRegWriteAccess), RegistryKey::kCreated);
  EXPECT_EQ(W(key.display_path()), u"HKEY_CURRENT_USER\\" + name_ + u"\\Inner\\");
  ASSERT_TRUE(key.WriteText(u"Where", u"inner", 0));

  key.Close();
  String text;
  ASSERT_TRUE(key.ReadText(u"Where", &text, 0));
  EXPECT_EQ(W(text), u"outer");
  EXPECT_EQ(W(key.display_path()), u"HKEY_CURRENT_USER\\" + name_ + u"\\");

  // Without keeping, the outer key is gone once the new one is open.
  ASSERT_NE(OpenOwn(&key, u"\\Inner", kRegNoStack), RegistryKey::kFailed);
  key.Close();
  EXPECT_FALSE(key.is_open());
  EXPECT_TRUE(key.display_path().empty());
}

TEST_F(Registry, OpenPathTakesOnlyTheBracketedForm) {
  RegistryKey key;
  ASSERT_NE(key.OpenPath((u"\\HKCU\\" + name_).c_str(), 0, kRegWriteAccess, RegView::kDefault),
            RegistryKey::kFailed);
  ASSERT_TRUE(key.WriteNumber(u"Seen", 1, 0));
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Path()));

  for (const std::u16string& path : {u"HKCU\\" + name_, u"\\HKEY_CURRENT_USER\\" + name_, u"\\HKAU\\" + name_,
                                     std::u16string(u"Software\\BastionixTests")}) {
    SetLastError(0);
    EXPECT_EQ(key.OpenPath(path.c_str(), kRegOpenOnly, kRegReadAccess, RegView::kDefault), RegistryKey::kFailed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));
  }

  ASSERT_NE(key.OpenPath(u"\\HKCU", kRegOpenOnly, kRegReadAccess, RegView::kDefault), RegistryKey::kFailed);
  Array<String> names;
  ASSERT_TRUE(key.EnumerateSubkeys(&names));
  EXPECT_TRUE(Contains(names, u"Software"));
}

TEST_F(Registry, DeleteKeyResults) {
  RegistryKey key;
  SetLastError(0);
  EXPECT_EQ(key.DeleteKey(u"Anything", 0), RegistryKey::kNotFound);  // no key open
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  SetLastError(0);
  EXPECT_EQ(key.DeleteKey(u"Missing", 0), RegistryKey::kNotFound);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(key.DeleteKey(u"", 0), RegistryKey::kNoSubkey);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  RegistryKey build;
  ASSERT_NE(OpenOwn(&build, u"\\Tree\\A\\Deep\\Deeper"), RegistryKey::kFailed);
  ASSERT_TRUE(build.WriteText(u"Leaf", u"x", 0));
  ASSERT_NE(OpenOwn(&build, u"\\Tree\\B"), RegistryKey::kFailed);
  ASSERT_NE(OpenOwn(&build, u"\\HasValue"), RegistryKey::kFailed);
  ASSERT_TRUE(build.WriteNumber(u"Setting", 1, 0));
  ASSERT_NE(OpenOwn(&build, u"\\Empty"), RegistryKey::kFailed);
  build.CloseAll();

  EXPECT_EQ(key.DeleteKey(u"Tree", kRegOnlyIfEmpty), RegistryKey::kNotEmpty);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_EQ(key.DeleteKey(u"HasValue", kRegOnlyIfEmpty), RegistryKey::kNotEmpty);
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Path(u"\\HasValue")));
  EXPECT_EQ(key.DeleteKey(u"Empty", kRegOnlyIfEmpty), RegistryKey::kDeleted);
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Path(u"\\Empty")));

  EXPECT_EQ(key.DeleteKey(u"Tree", 0), RegistryKey::kDeleted);
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Path(u"\\Tree")));
  EXPECT_EQ(key.DeleteKey(u"Tree", 0), RegistryKey::kNotFound);

  // A request the system refuses is a failure, not "not found": key names
  // are limited to 255 units.
  const std::u16string too_long(300, u'k');
  SetLastError(0);
  EXPECT_EQ(key.DeleteKey(too_long.c_str(), 0), RegistryKey::kDeleteFailed);
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(Registry, EnumerationListsEverySubkeyAndValue) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  const std::u16string long_name(300, u'v');
  for (const char16_t* name : {u"Beta", u"Alpha", u"Gamma"}) {
    ASSERT_NE(key.OpenSubkey(name, 0, kRegWriteAccess), RegistryKey::kFailed);
    key.Close();
  }
  ASSERT_TRUE(key.WriteNumber(u"One", 1, 0));
  ASSERT_TRUE(key.WriteText(long_name.c_str(), u"long name", 0));
  ASSERT_TRUE(key.WriteText(u"", u"default", 0));

  Array<String> subkeys;
  ASSERT_TRUE(key.EnumerateSubkeys(&subkeys));
  ASSERT_EQ(subkeys.Count(), 3);
  for (const char16_t* name : {u"Alpha", u"Beta", u"Gamma"}) EXPECT_TRUE(Contains(subkeys, name));

  Array<String> values;
  ASSERT_TRUE(key.EnumerateValues(&values));
  ASSERT_EQ(values.Count(), 3);
  EXPECT_TRUE(Contains(values, u"One"));
  EXPECT_TRUE(Contains(values, long_name));
  EXPECT_TRUE(Contains(values, u""));

  RegistryKey closed;
  EXPECT_FALSE(closed.EnumerateSubkeys(&subkeys));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Registry, KeyExistsAndSingleLookups) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  ASSERT_TRUE(key.WriteText(u"Version", u"3.1", 0));
  key.CloseAll();

  EXPECT_TRUE(KeyExists(RegRoot::kCurrentUser, Path().c_str(), 0, RegView::kDefault));
  EXPECT_TRUE(KeyExists(RegRoot::kCurrentUser, Path().c_str(), kRegReadOnly, RegView::kDefault));
  EXPECT_FALSE(KeyExists(RegRoot::kCurrentUser, Path(u"\\Missing").c_str(), 0, RegView::kDefault));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(KeyExists(RegRoot::kCurrentUser, u"", 0, RegView::kDefault));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  EXPECT_EQ(W(ReadText(RegRoot::kCurrentUser, Path(u"\\Version").c_str(), u"none", 0, RegView::kDefault)), u"3.1");
  EXPECT_EQ(W(ReadText(RegRoot::kCurrentUser, Path(u"\\Other").c_str(), u"none", 0, RegView::kDefault)), u"none");
  // A lookup never creates the key it looks in.
  EXPECT_EQ(W(ReadText(RegRoot::kCurrentUser, Path(u"\\Sub\\Value").c_str(), u"", 0, RegView::kDefault)), u"");
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Path(u"\\Sub")));
}

TEST_F(Registry, PathFormsDeleteKeysAndValues) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key, u"\\Product\\Sub"), RegistryKey::kFailed);
  ASSERT_TRUE(key.WriteText(u"Name", u"x", 0));
  key.CloseAll();

  EXPECT_TRUE(DeleteValuePath((u"\\HKCU\\" + Path(u"\\Product\\Sub\\Name")).c_str(), 0, RegView::kDefault));
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Path(u"\\Product\\Sub\\Name")));
  DWORD type;
  std::string raw;
  EXPECT_FALSE(RawQuery(HKEY_CURRENT_USER, Path(u"\\Product\\Sub"), u"Name", &type, &raw));
  // Already gone, or its key missing: nothing left to do.
  EXPECT_TRUE(DeleteValuePath((u"HKCU\\" + Path(u"\\Product\\Sub\\Name")).c_str(), 0, RegView::kDefault));
  EXPECT_TRUE(DeleteValuePath((u"HKCU\\" + Path(u"\\Nowhere\\Name")).c_str(), 0, RegView::kDefault));
  EXPECT_FALSE(DeleteValuePath(u"Software\\Name", 0, RegView::kDefault));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));

  EXPECT_EQ(DeleteKeyPath((u"HKEY_CURRENT_USER\\" + Path(u"\\Product")).c_str(), 0, RegView::kDefault),
            RegistryKey::kDeleted);
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Path(u"\\Product")));
  EXPECT_EQ(DeleteKeyPath((u"HKCU\\" + Path(u"\\Product")).c_str(), 0, RegView::kDefault), RegistryKey::kNotFound);
  EXPECT_EQ(DeleteKeyPath((u"HKCU\\" + Path(u"\\No\\Parent")).c_str(), 0, RegView::kDefault),
            RegistryKey::kNotFound);
  EXPECT_EQ(DeleteKeyPath(u"\\HKCU\\", 0, RegView::kDefault), RegistryKey::kNoSubkey);
}

// The program is 32-bit. On 64-bit Windows HKLM\Software has two views and
// the 64-bit one is reached only with k64; HKCU\Software is one key in both.
// In a 32-bit system (Wine's 32-bit prefix here) there is one view and the
// view bits change nothing.
TEST_F(Registry, ViewsSelectTheRegistryOfEachBitness) {
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);

  RegistryKey key;
  ASSERT_NE(key.Open(RegRoot::kCurrentUser, Path().c_str(), 0, kRegWriteAccess, RegView::k64), RegistryKey::kFailed);
  EXPECT_EQ(key.view(), RegView::k64);
  ASSERT_TRUE(key.WriteNumber(u"From64", 64, 0));
  key.CloseAll();
  uint32_t number = 0;
  ASSERT_NE(key.Open(RegRoot::kCurrentUser, Path().c_str(), kRegOpenOnly, kRegReadAccess, RegView::k32),
            RegistryKey::kFailed);
  ASSERT_TRUE(key.ReadNumber(u"From64", &number, 0));
  EXPECT_EQ(number, 64u);
  key.CloseAll();

  const std::u16string machine = u"Software\\BastionixTests\\" + name_.substr(name_.rfind(u'\\') + 1);
  if (key.Open(RegRoot::kLocalMachine, machine.c_str(), 0, kRegWriteAccess, RegView::k64) == RegistryKey::kFailed) {
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable here, error " << GetLastError();
  }
  ASSERT_TRUE(key.WriteNumber(u"Native", 1, 0));
  key.CloseAll();
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, machine, KEY_WOW64_64KEY));
  EXPECT_EQ(RawKeyExists(HKEY_LOCAL_MACHINE, machine, KEY_WOW64_32KEY), !wow64);
  EXPECT_EQ(RawKeyExists(HKEY_LOCAL_MACHINE, machine), !wow64);
  // Deleting in the 32-bit view reaches the native key only where the views are one.
  const std::u16string path = u"HKLM\\" + machine;
  EXPECT_EQ(DeleteKeyPath(path.c_str(), 0, RegView::k32), wow64 ? RegistryKey::kNotFound : RegistryKey::kDeleted);
  DeleteKeyPath(path.c_str(), 0, RegView::k64);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, machine, KEY_WOW64_64KEY));
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\BastionixTests", KEY_WOW64_64KEY, 0);
}

// User hives: Wine lists its one user in ProfileList; HKEY_USERS also holds
// ".Default". The fallback list is checked with hives made up for the test.
class RegistryUsers : public Registry {
 protected:
  void TearDown() override {
    for (const wchar_t* name : {L"BastionixTestHive", L"BastionixTestHive_Classes"}) {
      RegDeleteTreeW(HKEY_USERS, name);
      RegDeleteKeyW(HKEY_USERS, name);
    }
    Registry::TearDown();
  }

  // Makes HKEY_USERS\<hive>\<test key> with a value "Shared".
  void MakeHiveKey(const std::u16string& hive) {
    RegistryKey key;
    ASSERT_NE(key.Open(RegRoot::kUsers, (hive + u"\\" + name_).c_str(), 0, kRegWriteAccess, RegView::kDefault),
              RegistryKey::kFailed);
    ASSERT_TRUE(key.WriteText(u"Shared", u"per user", 0));
  }

  bool HasShared(const std::u16string& hive) {
    DWORD type;
    std::string raw;
    return RawQuery(HKEY_USERS, hive + u"\\" + name_, u"Shared", &type, &raw);
  }
};

TEST_F(RegistryUsers, HivesComeFromProfileListOrFromHkeyUsers) {
  const std::u16string me = CurrentUserSid();
  ASSERT_FALSE(me.empty());

  Array<String> profiles;
  ASSERT_TRUE(ProfileListHives(&profiles));
  EXPECT_TRUE(Contains(profiles, me));
  Array<String> hives;
  ASSERT_TRUE(UserHives(&hives));
  EXPECT_EQ(hives.Count(), profiles.Count());
  EXPECT_TRUE(Contains(hives, me));

  RegistryKey make;
  ASSERT_NE(make.Open(RegRoot::kUsers, u"BastionixTestHive", 0, kRegWriteAccess, RegView::kDefault),
            RegistryKey::kFailed);
  ASSERT_NE(make.Open(RegRoot::kUsers, u"BastionixTestHive_Classes", 0, kRegWriteAccess, RegView::kDefault),
            RegistryKey::kFailed);
  make.CloseAll();

  Array<String> loaded;
  ASSERT_TRUE(LoadedUserHives(&loaded));
  EXPECT_TRUE(Contains(loaded, me));
  EXPECT_TRUE(Contains(loaded, u"BastionixTestHive"));
  EXPECT_FALSE(Contains(loaded, u"BastionixTestHive_Classes"));
  EXPECT_FALSE(Contains(loaded, u".Default"));
  EXPECT_FALSE(Contains(loaded, u".DEFAULT"));
}

TEST_F(RegistryUsers, ValueIsDeletedInEveryHive) {
  const std::u16string me = CurrentUserSid();
  MakeHiveKey(me);
  MakeHiveKey(u"BastionixTestHive");
  // The current user's hive is HKEY_CURRENT_USER.
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key, u"", kRegOpenOnly), RegistryKey::kFailed);
  ASSERT_TRUE(key.WriteText(u"Other", u"stays", 0));
  key.CloseAll();

  Array<String> hives;
  hives.Emplace(me.c_str());
  hives.Emplace(u"BastionixTestHive");
  hives.Emplace(u"S-1-5-21-0-0-0-404");  // no such hive: passed over
  EXPECT_TRUE(DeleteValueForAllUsers(hives, name_.c_str(), u"Shared", kRegRemoveEmptyKey, RegView::kDefault));
  EXPECT_FALSE(HasShared(me));
  EXPECT_FALSE(HasShared(u"BastionixTestHive"));
  // The key is removed where it was left empty, kept where a value remains.
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Path()));
  EXPECT_FALSE(RawKeyExists(HKEY_USERS, u"BastionixTestHive\\" + name_));

  // Once more: nothing found is success.
  EXPECT_TRUE(DeleteValueForAllUsers(hives, name_.c_str(), u"Shared", 0, RegView::kDefault));
}

TEST_F(RegistryUsers, EveryUserPathFormReachesTheUsersOwnHive) {
  const std::u16string me = CurrentUserSid();
  MakeHiveKey(me);
  EXPECT_TRUE(DeleteValuePath((u"\\HKAU\\" + name_ + u"\\Shared").c_str(), 0, RegView::kDefault));
  EXPECT_FALSE(HasShared(me));
  EXPECT_TRUE(DeleteValueForAllUsers(name_.c_str(), u"Shared", 0, RegView::kDefault));

  MakeHiveKey(me);
  MakeHiveKey(u"BastionixTestHive");
  Array<String> hives;
  hives.Emplace(me.c_str());
  hives.Emplace(u"BastionixTestHive");
  EXPECT_EQ(DeleteKeyForAllUsers(hives, name_.c_str(), kRegOnlyIfEmpty, RegView::kDefault),
            RegistryKey::kNotEmpty);
  EXPECT_EQ(DeleteKeyForAllUsers(hives, name_.c_str(), 0, RegView::kDefault), RegistryKey::kDeleted);
  EXPECT_FALSE(RawKeyExists(HKEY_USERS, u"BastionixTestHive\\" + name_));
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Path()));

  MakeHiveKey(me);
  EXPECT_EQ(DeleteKeyPath((u"\\HKAU\\" + name_).c_str(), 0, RegView::kDefault), RegistryKey::kDeleted);
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Path()));
  EXPECT_EQ(DeleteKeyPath((u"\\HKAU\\" + name_).c_str(), 0, RegView::kDefault), RegistryKey::kNotFound);
}

// Keys are created with the registered security descriptor, and again with
// default security when the system refuses it. (Wine accepts any descriptor
// and gives every key its default security, so only the asking and the
// creating can be seen here.)
int g_provider_calls = 0;
PSECURITY_DESCRIPTOR g_descriptor = nullptr;
PSECURITY_DESCRIPTOR Provide() {
  ++g_provider_calls;
  return g_descriptor;
}

TEST_F(Registry, CreatedKeysAskForTheRegisteredSecurity) {
  PSECURITY_DESCRIPTOR everyone = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KA;;;WD)", SDDL_REVISION_1, &everyone,
                                                                   nullptr));
  SetRegistrySecurityProvider(&Provide);
  g_descriptor = everyone;
  RegistryKey key;
  EXPECT_EQ(OpenOwn(&key, u"\\Secured", kRegNoStack), RegistryKey::kCreated);
  EXPECT_EQ(g_provider_calls, 1);
  EXPECT_EQ(OpenOwn(&key, u"\\Plain", kRegNoStack | kRegDefaultSecurity), RegistryKey::kCreated);
  EXPECT_EQ(OpenOwn(&key, u"\\Secured", kRegNoStack | kRegOpenOnly), RegistryKey::kOpened);
  EXPECT_EQ(g_provider_calls, 1);

  // A descriptor of an unknown revision costs only the descriptor.
  alignas(8) BYTE broken[sizeof(SECURITY_DESCRIPTOR)] = {};
  broken[0] = 99;
  g_descriptor = broken;
  EXPECT_EQ(OpenOwn(&key, u"\\Retried", kRegNoStack), RegistryKey::kCreated);
  EXPECT_EQ(g_provider_calls, 2);
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Path(u"\\Retried")));

  SetRegistrySecurityProvider(nullptr);
  LocalFree(everyone);
}

TEST_F(Registry, RequiredValueThatIsMissingEndsTheProgram) {
  RegistryKey key;
  ASSERT_NE(OpenOwn(&key), RegistryKey::kFailed);
  EXPECT_EXIT(key.ReadText(u"Absent", nullptr, kRegRequired), ::testing::ExitedWithCode(1),
              "is required by .*, but is invalid or does not exist");
}

}  // namespace
