// The notification worker against a one-shot HTTP listener on the loopback
// address: the request arrives as a GET of the address's path and query.
#include <gtest/gtest.h>

#include <string>

#include "core/format.h"
#include "net/loopback_listener_wintest.h"
#include "net/notify_worker.h"

namespace {

TEST(NotificationWorker, RequestsTheAddressWithoutMakingTheCallerWait) {
  Listener listener;
  ASSERT_NE(listener.port(), 0);
  const String address = FormatW(u"http://127.0.0.1:%d/notify/install?v=2.5&id=x", listener.port());
  const DWORD before = GetTickCount();
  PostNotification(address);
  EXPECT_LT(GetTickCount() - before, 2000u);  // posting does not wait for the request
  const std::string request = listener.AcceptOneRequest(10000);
  EXPECT_EQ(request.rfind("GET /notify/install?v=2.5&id=x HTTP/1.1\r\n", 0), 0u) << request;
  StopNotificationWorker();
}

TEST(NotificationWorker, EmptyAddressDoesNothingAndStopIsSafeTwice) {
  PostNotification(String());
  StopNotificationWorker();
  StopNotificationWorker();
}

}  // namespace
