#include "actions/action_guard.h"

#include <gtest/gtest.h>

#include "records/failure_summary.h"

// A crash cannot be staged on the host (the guard's handler is Windows'); the
// normal path is: the work runs once and nothing is reported.
TEST(ActionGuard, CompletedWorkRunsOnceAndReportsNothing) {
  ClearFailures();
  int runs = 0;
  EXPECT_TRUE(RunActionGuarded([&runs] { ++runs; }));
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(HasFailed());
}
