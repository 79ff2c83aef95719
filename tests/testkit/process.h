// Starting a program under test and waiting for it, so that no test can leave
// a process behind: a Process that still runs when it goes out of scope is
// killed, and every child is put in one job that ends with the test program.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testkit/handles.h"
#include "testkit/wait.h"

namespace testkit {

// Exit code given to a process that Kill ended.
constexpr UINT kKilledExitCode = 0xDEAD;

struct ProcessOptions {
  // Folder the child starts in; empty means the test's own.
  std::wstring working_dir;
  // Variables set or replaced for the child ("NAME", "value"); the rest of the
  // test's environment is passed on unchanged.
  std::vector<std::pair<std::wstring, std::wstring>> environment;
};

// Quotes one argument so that the C runtime's command-line parser gives it back
// unchanged; plain words stay as they are.
std::wstring QuoteArgument(std::wstring_view argument);

// Joins arguments into a command-line tail, each quoted as needed.
std::wstring JoinArguments(const std::vector<std::wstring>& arguments);

class Process {
 public:
  // Starts `program` (a full path) with the command line `"program" arguments`.
  // `arguments` is passed as it is: quote with QuoteArgument where needed. On
  // failure started() is false and error() holds the system's error code.
  static Process Start(const std::wstring& program, const std::wstring& arguments = {},
                       const ProcessOptions& options = {});

  Process() = default;
  Process(Process&&) = default;
  Process& operator=(Process&& other) noexcept;
  ~Process();

  bool started() const { return static_cast<bool>(process_); }
  DWORD error() const { return error_; }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }

  // Waits until the process ends; false when it still runs after `timeout_ms`
  // (by default the one bound on waits, testkit/wait.h).
  bool WaitForExit(DWORD timeout_ms = kHangTimeoutMs);
  bool Running() const;
  // The exit code, or STILL_ACTIVE while the process runs.
  DWORD ExitCode() const;
  // Ends the process with kKilledExitCode if it still runs, and waits for it.
  void Kill();

 private:
  ProcessHandle process_;
  DWORD id_ = 0;
  DWORD error_ = 0;
};

}  // namespace testkit
