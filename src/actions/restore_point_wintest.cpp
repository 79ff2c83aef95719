#include <windows.h>

#include "actions/restore_point.h"

#include <gtest/gtest.h>

#include <string>

#include "core/file.h"
#include "core/scratch_folder_wintest.h"
#include "records/journal.h"
#include "records/working_log.h"
#include "testkit/files.h"

namespace {

// Wine has no System Restore: the step must say why in one log line and
// leave nothing to commit. On Windows with System Restore the point begins.
TEST(RestorePoint, BeginsOrLogsTheReason) {
  Journal journal_;
  ScratchFolder scratch;
  ASSERT_TRUE(StartWorkingLog(journal_.log));
  RestorePointInputs inputs;
  inputs.product_name = String(u"Bastionix Restore Test");
  const RestorePoint point = BeginRestorePoint(journal_, inputs);
  CommitRestorePoint(journal_, point);
  const std::wstring copy = scratch / L"log.txt";
  File out;
  ASSERT_EQ(out.Open(U16(copy), kOpenCreateOrTruncate), kFileOk);
  CopyWorkingLog(journal_.log, out);
  out.Close();
  EndWorkingLog(journal_.log);
  const std::string log = testkit::ReadFileBytes(copy).value_or("");
  if (point.begun) {
    EXPECT_NE(log.find("Creating restore point...OK\r\n"), std::string::npos) << log;
    return;
  }
  const char* reasons[] = {"System Restore is not present.", "SRSetRestorePointW is not present.",
                           "System Restore is turned off.", "Failed, code ", "Failed to initialize COM security: "};
  bool found = false;
  for (const char* reason : reasons) found = found || log.find(std::string("Creating restore point...FAILED\r\n") + reason) != std::string::npos;
  EXPECT_TRUE(found) << log;
  EXPECT_EQ(log.find("Failed to commit restore point."), std::string::npos) << log;
}

}  // namespace
