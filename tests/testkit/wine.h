// The few things a Windows test needs from the Wine it runs under.
#pragma once

#include <string>

namespace testkit {

// Whether the process runs under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

// The Unix path of a Windows path under Wine, UTF-8; empty elsewhere or when
// the path has no Unix form.
std::string UnixPath(const std::wstring& windows_path);

// `text` as one word for /bin/sh, in single quotes.
std::string ShellQuoted(const std::string& text);

// Runs `script` with /bin/sh on the Unix side. Wine starts a Unix program
// handed to CreateProcess but gives back no handle to wait on: the script has
// to leave its own sign of completion (see Screenshot). Answers whether it
// was started.
bool StartUnixShell(const std::string& script);

// Makes `link` a symbolic link to `target` (an existing file or folder) and
// waits until it is there. Under Wine a Unix link, as another user or an
// unpacked archive would leave it (Wine shows it as the target, with no
// reparse point); elsewhere CreateSymbolicLinkW.
bool PlantSymbolicLink(const std::wstring& link, const std::wstring& target);
// Removes such a link (never its target) and waits until it is gone.
bool RemoveSymbolicLink(const std::wstring& link);

}  // namespace testkit
