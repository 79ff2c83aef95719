#include <windows.h>

#include "core/handle_win.h"
#include "core/quiet_threads.h"
#include "net/http_get.h"
#include "net/notify_worker.h"

namespace {

constexpr UINT kRequestMessage = WM_APP + 1;
// How long the exit waits for a request still under way.
constexpr DWORD kStopWaitMs = 15000;

struct Worker {
  KernelHandle thread;
  DWORD thread_id = 0;
  void (*first_use)() = nullptr;
  bool used = false;
};

Worker& TheWorker() {
  static Worker worker;
  return worker;
}

DWORD WINAPI WorkerMain(void* ready_event) {
  // A failed notification is nobody's concern: a fault here ends the process
  // without a crash report rather than blaming the installation.
  AddQuietThread();
  MSG message;
  // Creates this thread's message queue before anyone may post to it.
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  SetEvent(static_cast<HANDLE>(ready_event));
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message != kRequestMessage) continue;
    String* address = reinterpret_cast<String*>(message.lParam);
    HttpGetAndDiscard(*address);
    delete address;
  }
  RemoveQuietThread();
  return 0;
}

bool StartWorker(Worker& worker) {
  KernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!ready) return false;
  worker.thread.Reset(CreateThread(nullptr, 0, WorkerMain, ready.get(), 0, &worker.thread_id));
  if (!worker.thread) return false;
  WaitForSingleObject(ready.get(), INFINITE);
  return true;
}

}  // namespace

void PostNotification(const String& address) {
  if (address.empty()) return;
  Worker& worker = TheWorker();
  if (!worker.used) {
    worker.used = true;
    if (worker.first_use) worker.first_use();
  }
  if (!worker.thread && !StartWorker(worker)) return;
  String* copy = new String(address);
  if (!PostThreadMessageW(worker.thread_id, kRequestMessage, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
}

void SetNotificationFirstUse(void (*first_use)()) {
  Worker& worker = TheWorker();
  if (worker.first_use == first_use) return;  // set again: already armed or done
  worker.first_use = first_use;
  worker.used = false;
}

void StopNotificationWorker() {
  Worker& worker = TheWorker();
  if (!worker.thread) return;
  PostThreadMessageW(worker.thread_id, WM_QUIT, 0, 0);
  // A worker still inside a request keeps its handle, so that a later stop
  // waits for it again instead of leaving it running unseen.
  if (WaitForSingleObject(worker.thread.get(), kStopWaitMs) == WAIT_OBJECT_0) worker.thread.Close();
}
