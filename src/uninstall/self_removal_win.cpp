#include <windows.h>

#include <utility>

#include "actions/batch_text.h"
#include "actions/private_file.h"
#include "core/command_interpreter.h"
#include "core/environment.h"
#include "core/handle_win.h"
#include "core/os_facts.h"
#include "core/process_rules.h"
#include "core/process_win.h"
#include "core/temp_files.h"
#include "uninstall/removal_rules.h"
#include "uninstall/self_removal.h"

namespace {

// The interpreter that waits for its batch. It lies in a job that ends it
// when the job's last handle goes, so that it cannot outlive a run that
// never lets it go; letting it go lifts that rule first.
struct PreparedRemoval {
  KernelHandle worker;  // the thread that prepares, until it is joined
  PrivateFile batch;
  KernelHandle job;
  KernelHandle process;
  KernelHandle thread;  // the interpreter's main thread, suspended
};

PreparedRemoval& ThePrepared() {
  static PreparedRemoval prepared;
  return prepared;
}

KernelHandle KillOnCloseJob() {
  KernelHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
    return KernelHandle();
  }
  return job;
}

// The interpreter for `batch_path`, hidden in a console of its own, suspended.
bool StartSuspended(const String& batch_path, PreparedRemoval& prepared) {
  String command = InterpreterCommandLine(CommandInterpreter(), ShortPath(batch_path.w_str()));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(command.wdata()), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | CREATE_SUSPENDED, nullptr, nullptr, &startup, &started)) {
    return false;
  }
  prepared.process.Reset(started.hProcess);
  prepared.thread.Reset(started.hThread);
  // Without a job (a system that does not nest them) only a crash between
  // here and the end would leave the interpreter waiting.
  KernelHandle job = KillOnCloseJob();
  if (job && AssignProcessToJobObject(job.get(), prepared.process.get())) prepared.job = std::move(job);
  return true;
}

DWORD WINAPI Prepare(void*) {
  PreparedRemoval& prepared = ThePrepared();
  if (!prepared.batch.Create(TemporaryFolder(), u"delunins", u".bat", String())) return 0;
  if (!StartSuspended(prepared.batch.path(), prepared)) prepared.batch.Remove();
  return 0;
}

// Waits for the preparing thread; true when an interpreter waits.
bool Prepared() {
  PreparedRemoval& prepared = ThePrepared();
  if (prepared.worker) {
    WaitForSingleObject(prepared.worker.get(), INFINITE);
    prepared.worker.Reset();
  }
  return static_cast<bool>(prepared.thread);
}

// Lets the prepared interpreter run its batch, once it has been written.
bool Release(PreparedRemoval& prepared) {
  if (prepared.job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    SetInformationJobObject(prepared.job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    prepared.job.Reset();
  }
  prepared.batch.Release();
  const bool resumed = ResumeThread(prepared.thread.get()) != static_cast<DWORD>(-1);
  prepared.thread.Reset();
  prepared.process.Reset();
  return resumed;
}

}  // namespace

void PrepareSelfRemoval() {
  PreparedRemoval& prepared = ThePrepared();
  if (prepared.worker || prepared.thread) return;
  prepared.worker.Reset(CreateThread(nullptr, 0, Prepare, nullptr, 0, nullptr));
}

bool StartSelfRemoval(const Array<String>& folders) {
  const String program = ProgramFilePath();
  PreparedRemoval& prepared = ThePrepared();
  if (program.empty()) {
    AbandonSelfRemoval();
    return false;
  }
  const bool waiting = Prepared();
  // The batch names itself in its last line, and its name is only known once
  // the file exists: it is created empty and written under the same handle.
  if (!waiting && !prepared.batch.Create(TemporaryFolder(), u"delunins", u".bat", String())) return false;
  const String text = SelfRemovalBatchText(program, folders, prepared.batch.path());
  if (!prepared.batch.Write(EncodeBatchText(text, WindowsAtLeast(6, 1)))) {
    AbandonSelfRemoval();
    return false;
  }
  if (waiting) return Release(prepared);
  const String path = prepared.batch.path();
  prepared.batch.Release();
  return RunHidden(path.w_str());
}

void AbandonSelfRemoval() {
  PreparedRemoval& prepared = ThePrepared();
  if (Prepared()) TerminateProcess(prepared.process.get(), 1);
  prepared.thread.Reset();
  prepared.process.Reset();
  prepared.job.Reset();
  prepared.batch.Remove();
}
