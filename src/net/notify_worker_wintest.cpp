// The notification worker against a one-shot HTTP listener on the loopback
// address: the request arrives as a GET of the address's path and query.
#include <gtest/gtest.h>

#include <string>

#include "core/format.h"
#include "net/loopback_listener_wintest.h"
#include "net/notify_worker.h"
#include "testkit/wait.h"

namespace {

TEST(NotificationWorker, RequestsTheAddressWithoutMakingTheCallerWait) {
  Listener listener;
  ASSERT_NE(listener.port(), 0);
  const String address = FormatW(u"http://127.0.0.1:%d/notify/install?v=2.5&id=x", listener.port());
  const DWORD before = GetTickCount();
  PostNotification(address);
  EXPECT_LT(GetTickCount() - before, 2000u);  // posting does not wait for the request
  const std::string request = listener.AcceptOneRequest(testkit::kHangTimeoutMs);
  EXPECT_EQ(request.rfind("GET /notify/install?v=2.5&id=x HTTP/1.1\r\n", 0), 0u) << request;
  StopNotificationWorker();
}

struct FirstUse {
  int calls = 0;
  DWORD thread = 0;
};
FirstUse g_first_use;

void CountFirstUse() {
  ++g_first_use.calls;
  g_first_use.thread = GetCurrentThreadId();
}

// The hook (the installer's firewall entry) runs once, on the caller's thread,
// before any request can leave; an empty address is no use at all.
TEST(NotificationWorker, FirstUseHookRunsOnceBeforeTheFirstRequest) {
  Listener listener;
  ASSERT_NE(listener.port(), 0);
  SetNotificationFirstUse(CountFirstUse);
  PostNotification(String());
  EXPECT_EQ(g_first_use.calls, 0);
  PostNotification(FormatW(u"http://127.0.0.1:%d/first", listener.port()));
  EXPECT_EQ(g_first_use.calls, 1);
  EXPECT_EQ(g_first_use.thread, GetCurrentThreadId());
  SetNotificationFirstUse(CountFirstUse);  // armed again by the same hook: no second call
  PostNotification(FormatW(u"http://127.0.0.1:%d/second", listener.port()));
  EXPECT_EQ(listener.AcceptOneRequest(testkit::kHangTimeoutMs).rfind("GET /first ", 0), 0u);
  EXPECT_EQ(listener.AcceptOneRequest(testkit::kHangTimeoutMs).rfind("GET /second ", 0), 0u);
  EXPECT_EQ(g_first_use.calls, 1);
  StopNotificationWorker();
  SetNotificationFirstUse(nullptr);
}

// A server that takes connections and never answers holds each request for
// the client's time limits; the stop at exit waits for a bounded time only,
// however many requests are still queued.
TEST(NotificationWorker, StopIsBoundedWhenTheServerNeverAnswers) {
  {
    Listener silent;  // listens, never accepts
    ASSERT_NE(silent.port(), 0);
    for (int i = 0; i < 6; ++i) PostNotification(FormatW(u"http://127.0.0.1:%d/slow%d", silent.port(), i));
    const DWORD before = GetTickCount();
    StopNotificationWorker();
    // The worker's own limit (15 s) with room for a slow machine; six requests
    // of five-second steps each would take far longer.
    EXPECT_LT(GetTickCount() - before, 25000u);
  }
  // With the server gone its requests fail at once: a second stop sees the
  // worker end, so that no thread is left inside the network library when
  // the process exits.
  const DWORD before = GetTickCount();
  StopNotificationWorker();
  EXPECT_LT(GetTickCount() - before, 14000u);
}

TEST(NotificationWorker, EmptyAddressDoesNothingAndStopIsSafeTwice) {
  PostNotification(String());
  StopNotificationWorker();
  StopNotificationWorker();
}

}  // namespace
