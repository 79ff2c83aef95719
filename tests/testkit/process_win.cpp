#include "testkit/process.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace testkit {
namespace {

// Every child joins this job; closing it when the test program ends kills
// whatever a test left running, grandchildren included.
HANDLE TestJob() {
  static JobHandle job = [] {
    JobHandle created(CreateJobObjectW(nullptr, nullptr));
    if (created) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      SetInformationJobObject(created.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    return created;
  }();
  return job.get();
}

struct NoCaseLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
      return std::towupper(x) < std::towupper(y);
    });
  }
};

// The test's environment with the overrides applied, as a sorted block.
std::vector<wchar_t> EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& overrides) {
  std::map<std::wstring, std::wstring, NoCaseLess> variables;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
      std::wstring_view text(entry);
      // Entries such as "=C:=C:\dir" start with '=': the name runs to the second one.
      size_t equals = text.find(L'=', 1);
      if (equals == std::wstring_view::npos) continue;
      variables[std::wstring(text.substr(0, equals))] = std::wstring(text.substr(equals + 1));
    }
    FreeEnvironmentStringsW(strings);
  }
  for (const auto& [name, value] : overrides) variables[name] = value;

  std::vector<wchar_t> block;
  for (const auto& [name, value] : variables) {
    block.insert(block.end(), name.begin(), name.end());
    block.push_back(L'=');
    block.insert(block.end(), value.begin(), value.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

}  // namespace

std::wstring QuoteArgument(std::wstring_view argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) {
    return std::wstring(argument);
  }
  // Backslashes are literal except before a quote, where each must be doubled.
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

std::wstring JoinArguments(const std::vector<std::wstring>& arguments) {
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    if (!line.empty()) line.push_back(L' ');
    line += QuoteArgument(argument);
  }
  return line;
}

Process Process::Start(const std::wstring& program, const std::wstring& arguments,
                       const ProcessOptions& options) {
  std::wstring command_line = QuoteArgument(program);
  if (!arguments.empty()) command_line += L" " + arguments;
  std::vector<wchar_t> environment;
  if (!options.environment.empty()) environment = EnvironmentBlock(options.environment);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  Process process;
  // Suspended until it is in the job, so not even its first child escapes.
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT,
                      environment.empty() ? nullptr : environment.data(),
                      options.working_dir.empty() ? nullptr : options.working_dir.c_str(), &startup, &info)) {
    process.error_ = GetLastError();
    return process;
  }
  process.process_.Reset(info.hProcess);
  process.id_ = info.dwProcessId;
  ThreadHandle thread(info.hThread);
  if (HANDLE job = TestJob()) AssignProcessToJobObject(job, info.hProcess);
  ResumeThread(thread.get());
  return process;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    process_ = std::move(other.process_);
    id_ = std::exchange(other.id_, 0);
    error_ = std::exchange(other.error_, 0);
  }
  return *this;
}

Process::~Process() { Kill(); }

bool Process::WaitForExit(DWORD timeout_ms) {
  return process_ && WaitForSingleObject(process_.get(), timeout_ms) == WAIT_OBJECT_0;
}

bool Process::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) GetExitCodeProcess(process_.get(), &code);
  return code;
}

void Process::Kill() {
  if (!Running()) return;
  TerminateProcess(process_.get(), kKilledExitCode);
  WaitForSingleObject(process_.get(), kHangTimeoutMs);
}

}  // namespace testkit
