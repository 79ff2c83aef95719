#include "actions/associations.h"

#include <gtest/gtest.h>

namespace {

// The undo of an association must be safe to repeat: a mark means the
// install's record of what it found, a restored mark that only the clean-up
// is left; without a mark, only backups or a command of the product's own
// say that anything is still to undo.
TEST(Associations, UndoPlanRepeatsOnlyWhatIsLeft) {
  struct Case {
    const char* what;
    bool has_mark;
    uint32_t mark;
    bool has_backup, points_at_product;
    bool restore, clean;
  } cases[] = {
      {"marked, nothing undone yet", true, kTypeFound, true, false, true, true},
      {"marked, the product made it all", true, 0, false, true, true, true},
      {"marked, cut while restoring", true, kExtensionFound | kTypeFound, true, false, true, true},
      {"restored, cut while cleaning", true, kTypeFound | kMarkRestored, false, false, false, true},
      {"restored, backups still there", true, kMarkRestored, true, true, false, true},
      {"older install with backups", false, 0, true, false, true, true},
      {"older install of the product's own type", false, 0, false, true, true, true},
      {"undone already", false, 0, false, false, false, false},
  };
  for (const Case& c : cases) {
    const AssociationUndoPlan plan = PlanAssociationUndo(c.has_mark, c.mark, c.has_backup, c.points_at_product);
    EXPECT_EQ(plan.restore, c.restore) << c.what;
    EXPECT_EQ(plan.clean, c.clean) << c.what;
  }
}

TEST(Associations, MarkAndBackupNamesDropWhatARegistryNameCannotHold) {
  EXPECT_EQ(AssociationMarkName(String(u"A\\B\r\n\tC")), String(u"ABC Association"));
  EXPECT_EQ(BackupValueName(String(u"A\\B\r\n\tC")), String(u"ABC Backup"));
}

}  // namespace
