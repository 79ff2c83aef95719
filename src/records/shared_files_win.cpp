#include <windows.h>
#include <oleauto.h>

#include "core/codepage.h"
#include "core/file_ops.h"
#include "core/handle_win.h"
#include "core/message_pump_win.h"
#include "core/process_win.h"
#include "core/registry_win.h"
#include "core/removal_guard.h"
#include "core/wide_win.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "package/message_numbers.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/marked_path.h"
#include "records/shared_files.h"
#include "records/uninstall_value_names.h"

namespace {

// SharedDLLs is read where the installer counts: the program's default view.
constexpr RegView kSharedDllsView = RegView::kDefault;
constexpr int kMessageRounds = 100;

// Owner of a COM interface pointer, released when it goes.
template <class Interface>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (pointer_) pointer_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  Interface* operator->() const { return pointer_; }
  Interface** Receive() { return &pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

 private:
  Interface* pointer_ = nullptr;
};

// "regsvr32.exe /s /u "path"", hidden, from the system folder. True when it
// ran and ended with exit code 0.
bool UnregisterWithRegsvr32(const String& path) { return RunSystemTool(u"regsvr32.exe", u"/s /u", path) == 0; }

// The server's own entry, for when regsvr32 could not do it.
void CallDllUnregisterServer(const String& path) {
  LibraryHandle library(LoadLibraryExW(Wide(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!library) return;
  using EntryFn = HRESULT(STDAPICALLTYPE*)();
  auto entry = reinterpret_cast<EntryFn>(reinterpret_cast<void*>(GetProcAddress(library.get(), "DllUnregisterServer")));
  if (entry) entry();
}

void UnregisterTypeLibrary(const String& path) {
  ComRef<ITypeLib> library;
  if (FAILED(LoadTypeLibEx(Wide(path), REGKIND_NONE, library.Receive())) || !library) return;
  TLIBATTR* attributes = nullptr;
  if (FAILED(library->GetLibAttr(&attributes)) || !attributes) return;
  UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                    attributes->syskind);
  library->ReleaseTLibAttr(attributes);
}

// Unregistration failures are not reported: the file is removed anyway.
void Unregister(const String& path, const SharedFileEntry& entry, const SharedFilePassOptions& options) {
  if (entry.com_server && !UnregisterWithRegsvr32(path)) CallDllUnregisterServer(path);
  if (entry.type_library) UnregisterTypeLibrary(path);
  PumpPendingMessages(kMessageRounds);
  if (options.progress_window) SetFocus(static_cast<HWND>(options.progress_window));
}

bool UserKeepsFile(const String& path, const SharedFilePassOptions& options) {
  if (options.automatic || !options.ask_before_deleting) return false;
  const String question = FillMessage(options.delete_question, {path});
  return !AskYesNo(question, options.delete_title, true);
}

// A file in use stays where it is; nothing is reported.
void RemoveUnusedFile(const String& path, const SharedFilePassOptions& options) {
  if (GetAttributes(path.w_str()) == kNoAttributes) return;
  if (UserKeepsFile(path, options)) return;
  if (!options.guard) {
    DeleteFile(path.w_str());
    return;
  }
  if (options.guard->RemoveFile(path) != Removal::kBehindLink) return;
  AddFailureFormatW(*options.journal, u"%s %s\r\n", options.left_behind.w_str(), path.w_str());
}

void ReleaseSharedFile(RegistryKey& counts, const SharedFileEntry& entry, const SharedFilePassOptions& options) {
  const String path = UnmarkPath(entry.path);
  if (path.empty()) return;
  // A file without a count, or with one that is no number, was never
  // counted by anybody here: it is not ours to remove.
  uint32_t stored = 0;
  if (!counts.ReadNumber(path.w_str(), &stored, 0)) return;
  const uint32_t left = LoweredSharedCount(stored);
  if (left > 0) {
    counts.WriteNumber(path.w_str(), left, 0);
    return;
  }
  counts.DeleteValue(path.w_str(), 0);
  if (entry.permanent) return;
  if (entry.com_server || entry.type_library) Unregister(path, entry, options);
  RemoveUnusedFile(path, options);
}

}  // namespace

bool RunSharedFilePass(RegistryKey& product_key, const SharedFilePassOptions& options) {
  String listed;
  if (!product_key.ReadText(uninstall_value::kSharedFiles, &listed, 0) || listed.empty()) return true;
  RegistryKey counts;
  if (!counts.Open(RegRoot::kLocalMachine, kSharedDllsKey, kRegNoStack, KEY_READ | KEY_SET_VALUE,
                   kSharedDllsView)) {
    AddFailure(*options.journal, kSharedCountsUnavailableText);
    return false;
  }
  // The list was stored as 8-bit text; the registry keeps it as UTF-16.
  String text = Utf16ToAnsi(listed);
  SharedFileEntry entry;
  while (TakeSharedFileEntry(&text, &entry)) ReleaseSharedFile(counts, entry, options);
  counts.CloseAll();
  product_key.DeleteValue(uninstall_value::kSharedFiles, 0);
  return true;
}
