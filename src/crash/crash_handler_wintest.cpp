// The crash handler end to end: this test program starts itself as the
// faulting child (the fault trigger exists only here, never in setup.exe),
// then reads the report the child's handler wrote, drives its dialog and
// reads its post on a loopback listener.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/format.h"
#include "core/quiet_threads.h"
#include "core/silent_mode.h"
#include "crash/crash_facts_win.h"
#include "crash/crash_handler_win.h"
#include "crash/crash_post.h"
#include "net/loopback_listener_wintest.h"
#include "resources/crash_dialog_ids.h"
#include "testkit/testkit.h"

namespace {

using namespace testkit;

constexpr char kSender[] = "crash-reports@example.com";  // ChildSettings' default

std::wstring Env(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

// The child's records: each report is appended to the file the parent named
// (a handler that ran twice would show twice). BX_CRASH_WRITER=fault makes
// the records themselves fault once the report is written.
void WriteReportToFile(const String& report) {
  HANDLE file = CreateFileW(Env(L"BX_CRASH_REPORT_FILE").c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, report.c_str(), static_cast<DWORD>(report.length()), &written, nullptr);
  CloseHandle(file);
  volatile uintptr_t null_address = 0;
  if (Env(L"BX_CRASH_WRITER") == L"fault") *reinterpret_cast<int volatile*>(null_address) = 1;
}

__attribute__((noinline)) int Recurse(volatile int* depth) {
  volatile char pad[512];
  pad[0] = static_cast<char>(*depth);
  *depth = *depth + 1;
  return *depth < 100000000 ? Recurse(depth) + pad[0] : 0;
}

DWORD WINAPI QuietFault(void*) {
  AddQuietThread();
  *static_cast<int volatile*>(nullptr) = 1;
  return 0;
}

void RaiseAccessViolation(ULONG_PTR write, ULONG_PTR address) {
  const ULONG_PTR parameters[] = {write, address};
  RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 2, parameters);
}

// The faults the processor raises come with their own codes on Windows and a
// plain Wine; Wine run through an emulator (as on our test machines) reports
// them with other codes. The exact cases are therefore raised as the system
// would raise them, and "null" is one real fault of the processor.
void Fault(const std::wstring& kind) {
  volatile int depth = 0;
  volatile uintptr_t null_address = 0;
  if (kind == L"write") RaiseAccessViolation(1, 0x10);
  if (kind == L"read") RaiseAccessViolation(0, 0x20);
  if (kind == L"divide") RaiseException(EXCEPTION_INT_DIVIDE_BY_ZERO, 0, 0, nullptr);
  if (kind == L"null") *reinterpret_cast<int volatile*>(null_address) = 1;
  if (kind == L"stack") Recurse(&depth);
  if (kind == L"breakpoint") DebugBreak();
  if (kind == L"quiet") {
    HANDLE thread = CreateThread(nullptr, 0, &QuietFault, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
  }
}

// Runs only in the child, started by the tests below.
TEST(CrashChild, DISABLED_Fault) {
  if (Env(L"BX_CRASH_FAULT").empty()) GTEST_SKIP();
  SetSilentMode(Env(L"BX_CRASH_SILENT") == L"1");
  const std::wstring sender = Env(L"BX_CRASH_SENDER");
  SetCrashReportAddresses(String(reinterpret_cast<const char16_t*>(Env(L"BX_CRASH_POST").c_str())),
                          String(std::string(sender.begin(), sender.end()).c_str()));
  InstallCrashHandler("Crash Test", &WriteReportToFile);
  Fault(Env(L"BX_CRASH_FAULT"));
  ExitProcess(99);  // no fault: the parent sees it by this code
}

struct Child {
  Process process;
  std::wstring report_file;
};

struct ChildSettings {
  bool silent = true;
  std::wstring post;  // the report address
  std::wstring sender = L"crash-reports@example.com";
  std::wstring writer;  // "fault": the records fault
};

Child StartChild(const std::wstring& fault, const ChildSettings& settings) {
  Child child;
  child.report_file = ScratchDir() + L"\\report.txt";
  DeleteFileW(child.report_file.c_str());
  ProcessOptions options;
  options.environment = {{L"BX_CRASH_FAULT", fault},
                         {L"BX_CRASH_SILENT", settings.silent ? L"1" : L"0"},
                         {L"BX_CRASH_POST", settings.post},
                         {L"BX_CRASH_SENDER", settings.sender},
                         {L"BX_CRASH_WRITER", settings.writer},
                         {L"BX_CRASH_REPORT_FILE", child.report_file}};
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  child.process = Process::Start(
      self, L"--gtest_also_run_disabled_tests --gtest_filter=CrashChild.DISABLED_Fault", options);
  return child;
}

// Real faults of the processor come with other codes through an emulator.
constexpr DWORD kAnyEnd = 0xFFFFFFFF;

TEST(CrashHandler, SilentFaultsAreReportedWithoutAWindowAndEndTheProcess) {
  const struct {
    const wchar_t* fault;
    bool reported;
    const char* present;
    const char* absent;
    DWORD exit_code;  // a handled fault ends the process with its code
  } cases[] = {
      {L"write", true, "Exception: Illegal memory access.\r\n", nullptr, EXCEPTION_ACCESS_VIOLATION},
      {L"write", true, "Read/write: write\r\nMemory address: 00000010\r\n", nullptr, EXCEPTION_ACCESS_VIOLATION},
      {L"read", true, "Read/write: read\r\nMemory address: 00000020\r\n", nullptr, EXCEPTION_ACCESS_VIOLATION},
      {L"divide", true, "Exception: Integer divide by zero.\r\n", "Read/write:", EXCEPTION_INT_DIVIDE_BY_ZERO},
      // The stack is beyond use after an overflow: the process ends at once, with 0.
      {L"stack", true, "Exception: Stack overflow.\r\n", "Read/write:", 0},
      {L"null", true, "\r\nModule: ", nullptr, kAnyEnd},
      {L"breakpoint", false, nullptr, nullptr, kAnyEnd},
      {L"quiet", false, nullptr, nullptr, kAnyEnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.fault, c.fault + wcslen(c.fault)));
    Child child = StartChild(c.fault, {});
    ASSERT_TRUE(child.process.started());
    // A window would hold the child: ending by itself shows there was none.
    ASSERT_TRUE(child.process.WaitForExit()) << DescribeWindows(child.process.id());
    EXPECT_NE(child.process.ExitCode(), 99u);
    if (c.exit_code != kAnyEnd) {
      EXPECT_EQ(child.process.ExitCode(), c.exit_code);
    }
    const auto report = ReadFileBytes(child.report_file);
    ASSERT_EQ(report.has_value(), c.reported);
    if (!c.reported) continue;
    EXPECT_NE(report->find(c.present), std::string::npos) << *report;
    if (c.absent) {
      EXPECT_EQ(report->find(c.absent), std::string::npos) << *report;
    }
    EXPECT_NE(report->find("Product: Crash Test 37.0 Win32\r\n"), std::string::npos);
    EXPECT_NE(report->find("\r\nCPU Registers:\r\nFlags: "), std::string::npos);
    EXPECT_NE(report->find("CRASH_WINTESTS.EXE"), std::string::npos) << "a call stack frame in this program";
  }
}

// A fault inside the handler (here: in the records it writes to) is not
// handled again: the handler runs once, the process ends, nothing waits.
TEST(CrashHandler, FaultInsideTheHandlerEndsTheProcess) {
  for (const bool silent : {true, false}) {
    SCOPED_TRACE(silent ? "silent" : "with windows");
    Child child = StartChild(L"write", {.silent = silent, .writer = L"fault"});
    ASSERT_TRUE(child.process.started());
    ASSERT_TRUE(child.process.WaitForExit()) << DescribeWindows(child.process.id());
    EXPECT_NE(child.process.ExitCode(), 99u);
    const auto report = ReadFileBytes(child.report_file);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->find("Exception: "), 0u) << *report;
    EXPECT_EQ(report->find("Exception: ", 1), std::string::npos) << "reported twice:\n" << *report;
  }
}

// A thread that handles its own failures stays quiet also where windows may
// be shown: no report, no dialog, the process ends by itself.
TEST(CrashHandler, QuietThreadFaultEndsWithoutDialogWhereWindowsMayShow) {
  Child child = StartChild(L"quiet", {.silent = false});
  ASSERT_TRUE(child.process.started());
  ASSERT_TRUE(child.process.WaitForExit()) << DescribeWindows(child.process.id());
  EXPECT_NE(child.process.ExitCode(), 99u);
  EXPECT_FALSE(ReadFileBytes(child.report_file).has_value());
}

// "Inform Us" is offered only when the report can go somewhere: without a
// report address or without a sender it is disabled, and Exit still ends the
// dialog and the process.
TEST(CrashHandler, InformUsNeedsTheReportAddressAndTheSender) {
  const struct {
    const char* name;
    const wchar_t* post;
    const wchar_t* sender;
  } cases[] = {
      {"no report address", L"", L"crash-reports@example.com"},
      {"no sender", L"http://127.0.0.1:9/formmail.php", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Child child = StartChild(L"divide", {.silent = false, .post = c.post, .sender = c.sender});
    ASSERT_TRUE(child.process.started());
    HWND dialog = WaitForWindow(child.process.id(), {.class_name = kDialogClass, .title = L"Illegal Operation"});
    ASSERT_NE(dialog, nullptr) << DescribeWindows(child.process.id());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CRASH_INFORM)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CRASH_COPY)));
    ASSERT_TRUE(ClickButton(dialog, IDCANCEL));
    EXPECT_TRUE(child.process.WaitForExit()) << DescribeWindows(child.process.id());
  }
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* locked = static_cast<const char*>(GlobalLock(data))) text = locked;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(CrashHandler, DialogShowsTheReportCopiesItAndPostsIt) {
  Listener listener;
  ASSERT_NE(listener.port(), 0);
  const std::wstring address = L"http://127.0.0.1:" + std::to_wstring(listener.port()) + L"/formmail.php";
  Child child = StartChild(L"write", {.silent = false, .post = address});
  ASSERT_TRUE(child.process.started());
  HWND dialog = WaitForWindow(child.process.id(), {.class_name = kDialogClass, .title = L"Illegal Operation"});
  ASSERT_NE(dialog, nullptr) << DescribeWindows(child.process.id());
  const auto report = ReadFileBytes(child.report_file);
  ASSERT_TRUE(report.has_value());
  // The edit box shows the report as it went to the records.
  EXPECT_EQ(Narrow(ControlText(dialog, IDC_CRASH_REPORT)), *report);
  EXPECT_NE(Narrow(ControlText(dialog, IDC_CRASH_TEXT)).find("report this problem to Bastionix Software by"),
            std::string::npos);
  EXPECT_TRUE(Screenshot(L"crash_dialog"));

  ASSERT_TRUE(OpenClipboard(nullptr));  // nothing left from an earlier run
  EmptyClipboard();
  CloseClipboard();
  ASSERT_TRUE(ClickButton(dialog, IDC_CRASH_COPY));
  std::string copied;
  EXPECT_TRUE(Await("the report on the clipboard", [&] { return !(copied = ClipboardText()).empty(); }));
  EXPECT_EQ(copied, *report);

  ASSERT_TRUE(SetControlText(dialog, IDC_CRASH_EMAIL, L"user@example.com"));
  ASSERT_TRUE(SetControlText(dialog, IDC_CRASH_COMMENTS, L"pressed Next"));
  ASSERT_TRUE(ClickButton(dialog, IDC_CRASH_INFORM));
  const std::string request = listener.AcceptOneRequest(kHangTimeoutMs);
  ASSERT_TRUE(child.process.WaitForExit());

  ASSERT_EQ(request.rfind("POST /formmail.php HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("Content-Type: multipart/form-data; boundary=AaB03x\r\n"), std::string::npos) << request;
  const CrashPost post = BuildCrashPost(String(report->c_str()), String("user@example.com"),
                                        String("pressed Next"), String("crash_wintests.exe"));
  const String form = EncodeCrashForm(String(kSender), post);
  EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), std::string(form.c_str(), form.length()));
}

}  // namespace

namespace {

TEST(CrashFacts, ListTheModulesAndWalkTheStackFromAContext) {
  CrashRecord record;
  record.code = 0xC0000094;
  RtlCaptureContext(&record.context);
  record.address = record.context.Eip;
  const CrashFacts facts = GatherCrashFacts(record, String("P 1 E"));
  ASSERT_TRUE(facts.has_modules);
  const CrashModule* self = ModuleHolding(facts.modules, record.address);
  ASSERT_NE(self, nullptr);
  EXPECT_TRUE(String(self->path).EndsWith("crash_wintests.exe", true)) << self->path.c_str();
  EXPECT_NE(std::string(facts.call_stack.c_str()).find("CRASH_WINTESTS.EXE"), std::string::npos)
      << facts.call_stack.c_str();
}

}  // namespace

namespace {

TEST(CrashDialog, TravelsInsideSetupExe) {
  HMODULE image = LoadLibraryExW(testkit::SetupExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  EXPECT_NE(FindResourceW(image, L"ExceptionDlg", MAKEINTRESOURCEW(5)), nullptr);  // 5: a dialog template
  FreeLibrary(image);
}

}  // namespace
