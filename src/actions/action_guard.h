// The one way an install action (and an uninstall step) calls foreign code:
// under the crash guard, so that a fault inside a COM server, an MSI package
// or a shell extension ends that action only. The run goes on either way.
#pragma once

// The crash text most actions write.
inline constexpr char kCrashedText[] = "CRASHED!\r\n";

// Runs work(context) under the crash guard. On a crash, `crash_text` (8-bit,
// e.g. kCrashedText or "Crash while pinning to taskbar.\r\n") goes to the
// working log and the failure summary. True when the work ran to its end.
bool RunActionGuarded(void (*work)(void* context), void* context, const char* crash_text = kCrashedText);

// The same for a callable: RunActionGuarded([&] { ... }).
template <typename Work>
bool RunActionGuarded(Work&& work, const char* crash_text = kCrashedText) {
  return RunActionGuarded([](void* context) { (*static_cast<Work*>(context))(); }, &work, crash_text);
}
