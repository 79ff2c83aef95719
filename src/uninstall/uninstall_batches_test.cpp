#include "uninstall/uninstall_batches.h"

#include <gtest/gtest.h>

namespace {

TEST(UninstallBatches, VariablesReachTheBatchAsTheyAre) {
  UninstallBatchFacts facts;
  facts.install_dir = String(u"C:\\Program Files\\100% App");
  facts.uninstall_dir = String(u"C:\\Program Files\\100% App\\u");
  facts.product_name = String(u"App & Co");
  EXPECT_EQ(UninstallBatchVariables(facts),
            String(u"SET \"InstallDir=C:\\Program Files\\100%% App\"\r\n"
                   u"SET \"UninstallDir=C:\\Program Files\\100%% App\\u\"\r\n"
                   u"SET \"SharedDir=\"\r\n"
                   u"SET \"ProductName=App & Co\"\r\n"));
}

}  // namespace
