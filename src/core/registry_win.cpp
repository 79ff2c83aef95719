#include "core/registry_win.h"

#include <utility>

#include "core/registry_report_win.h"

namespace {

RegSecurityProvider g_security_provider = nullptr;

// Predefined handles are the values 0x80000000 to 0x80000070, sign-extended.
bool IsPredefined(HKEY key) {
  const LONG_PTR value = reinterpret_cast<LONG_PTR>(key);
  return value >= static_cast<LONG>(0x80000000u) && value <= static_cast<LONG>(0x80000070u);
}

// Creates with the registered security descriptor first, since it is what
// the key should carry; a descriptor the system refuses must not cost the key.
LONG CreateKey(HKEY parent, const wchar_t* name, REGSAM sam, uint32_t options, HKEY* key, DWORD* disposition) {
  PSECURITY_DESCRIPTOR descriptor =
      (options & kRegDefaultSecurity) || !g_security_provider ? nullptr : g_security_provider();
  if (descriptor) {
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    if (RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, sam, &attributes, key, disposition) ==
        ERROR_SUCCESS) {
      return ERROR_SUCCESS;
    }
  }
  return RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, key, disposition);
}

}  // namespace

HKEY RootKey(RegRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<uint32_t>(root))));
}

void RegKeyTraits::Close(HKEY key) {
  if (!IsPredefined(key)) RegCloseKey(key);
}

void SetRegistrySecurityProvider(RegSecurityProvider provider) { g_security_provider = provider; }

int RegistryKey::Open(RegRoot root, const char16_t* subkey, uint32_t options, uint32_t access, RegView view) {
  if (!FindRegRoot(root)) {
    ReportRegistryFailure(ERROR_INVALID_PARAMETER, options, String(), subkey);
    return kFailed;
  }
  return OpenBelow(RootKey(root), RegDisplayPath(root, nullptr), subkey, options, access, view);
}

int RegistryKey::OpenSubkey(const char16_t* subkey, uint32_t options, uint32_t access) {
  if (!is_open()) {
    ReportRegistryFailure(ERROR_INVALID_HANDLE, options, String(), subkey);
    return kFailed;
  }
  return OpenBelow(key_.get(), display_, subkey, options, access, view_);
}

int RegistryKey::OpenPath(const char16_t* path, uint32_t options, uint32_t access, RegView view) {
  RegRoot root;
  const int32_t prefix = BracketedRootLength(path, String::kToEnd, &root);
  if (prefix < 0) {
    ReportRegistryFailure(ERROR_BAD_PATHNAME, options, String(path), nullptr);
    return kFailed;
  }
  return Open(root, path + prefix, options, access, view);
}

int RegistryKey::OpenBelow(HKEY parent, const String& parent_display, const char16_t* subkey, uint32_t options,
                           uint32_t access, RegView view) {
  String display(parent_display);
  AppendRegDisplayPath(&display, subkey);
  const wchar_t* name = Wide(subkey ? subkey : u"");
  const REGSAM sam = WithView(access, view);
  HKEY key = nullptr;
  DWORD disposition = REG_OPENED_EXISTING_KEY;
  const LONG status = (options & kRegOpenOnly) ? RegOpenKeyExW(parent, name, 0, sam, &key)
                                               : CreateKey(parent, name, sam, options, &key, &disposition);
  if (status != ERROR_SUCCESS) {
    ReportRegistryFailure(status, options, display, nullptr);
    return kFailed;
  }
  Adopt(key, std::move(display), view, options);
  return disposition == REG_CREATED_NEW_KEY ? kCreated : kOpened;
}

void RegistryKey::Adopt(HKEY key, String display, RegView view, uint32_t options) {
  if (key_.valid()) {
    if (options & kRegNoStack) {
      key_.Close();
    } else {
      kept_.Add(Kept{std::move(key_), std::move(display_), view_});
    }
  }
  key_.Reset(key);
  display_ = std::move(display);
  view_ = view;
}

void RegistryKey::Close() {
  key_.Close();
  display_.Clear();
  view_ = RegView::kDefault;
  ElementPtr<Kept> previous = kept_.TakeLast();
  if (!previous) return;
  key_ = std::move(previous->key);
  display_ = std::move(previous->display);
  view_ = previous->view;
}

void RegistryKey::CloseAll() {
  key_.Close();
  display_.Clear();
  view_ = RegView::kDefault;
  kept_.RemoveAll();
}

bool KeyExists(RegRoot root, const char16_t* subkey, uint32_t options, RegView view) {
  if (!subkey || !*subkey) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const uint32_t access = (options & kRegReadOnly) ? kRegReadAccess : kRegWriteAccess;
  RegistryKey key;
  return key.Open(root, subkey, (options & kRegShowError) | kRegOpenOnly, access, view) != RegistryKey::kFailed;
}
