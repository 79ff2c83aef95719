#include "testkit/wine.h"

#include <windows.h>

#include "testkit/handles.h"
#include "testkit/process.h"
#include "testkit/wait.h"

namespace testkit {
namespace {

template <typename Function>
Function WineFunction(const wchar_t* module_name, const char* name) {
  HMODULE module = GetModuleHandleW(module_name);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

std::wstring Widen(const std::string& utf8) {
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

// The Windows path of a Unix file; empty when Wine cannot map it.
std::wstring DosPath(const char* unix_path) {
  using Function = WCHAR* (*)(const char*);
  auto to_dos = WineFunction<Function>(L"kernel32.dll", "wine_get_dos_file_name");
  WCHAR* dos = to_dos ? to_dos(unix_path) : nullptr;
  if (!dos) return {};
  std::wstring path(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return path;
}

}  // namespace

bool RunningUnderWine() {
  return WineFunction<const char* (*)()>(L"ntdll.dll", "wine_get_version") != nullptr;
}

std::string UnixPath(const std::wstring& windows_path) {
  using Function = char* (*)(const WCHAR*);
  auto to_unix = WineFunction<Function>(L"kernel32.dll", "wine_get_unix_file_name");
  char* unix_path = to_unix ? to_unix(windows_path.c_str()) : nullptr;
  if (!unix_path) return {};
  std::string path(unix_path);
  HeapFree(GetProcessHeap(), 0, unix_path);
  return path;
}

bool StartUnixShell(const std::string& script) {
  std::wstring shell = DosPath("/bin/sh");
  if (shell.empty()) return false;
  std::wstring command_line = L"sh -c " + QuoteArgument(Widen(script));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(shell.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return false;
  }
  ProcessHandle process(info.hProcess);
  ThreadHandle thread(info.hThread);
  return true;
}

}  // namespace testkit

namespace testkit {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool PlantSymbolicLink(const std::wstring& link, const std::wstring& target) {
  if (!RunningUnderWine()) {
    const DWORD folder = (GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), folder | 2 /* unprivileged */) != FALSE;
  }
  const std::string from = UnixPath(target);
  const std::string to = UnixPath(link);
  if (from.empty() || to.empty()) return false;
  // Made aside and renamed, so that the link is whole when it appears.
  const std::string script = "ln -s " + ShellQuoted(from) + " " + ShellQuoted(to + ".new") + " && mv " +
                             ShellQuoted(to + ".new") + " " + ShellQuoted(to);
  if (!StartUnixShell(script)) return false;
  return WaitUntil([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

}  // namespace testkit

namespace testkit {

bool RemoveSymbolicLink(const std::wstring& link) {
  if (!RunningUnderWine()) {
    return RemoveDirectoryW(link.c_str()) || DeleteFileW(link.c_str());
  }
  const std::string path = UnixPath(link);
  if (path.empty() || !StartUnixShell("rm -f " + ShellQuoted(path))) return false;
  return WaitUntil([&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

}  // namespace testkit
