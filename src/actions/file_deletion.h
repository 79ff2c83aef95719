// The conditional deletes: files removed by pattern when the package says so,
// at install (flag bit 2) or at uninstall (flag bit 3), each under a
// condition on its last-write time or its size. One processor serves both
// modes; the uninstaller keeps in its list what it could not remove.
#pragma once

#include <cstdint>

#include "core/datetime.h"
#include "core/string.h"
#include "core/vector.h"
#include "package/settings.h"

// Bits of FileDeletion::flags beside the mode bits.
namespace deletion_flag {
constexpr uint8_t kAtRestartOnly = 1u << 0;     // never now: always at the next restart
constexpr uint8_t kAtRestartOnFailure = 1u << 1;  // at the next restart when it cannot go now
}  // namespace deletion_flag

// The condition codes.
enum DeletionCondition : uint8_t {
  kDeleteAlways = 0,
  kDeleteIfDateEquals = 1,
  kDeleteIfDateSameOrLater = 2,
  kDeleteIfDateSameOrEarlier = 3,
  kDeleteIfSizeEquals = 4,
  kDeleteIfSizeAtLeast = 5,
  kDeleteIfSizeAtMost = 6,
};

// What a matching file looks like: its last-write time in local time (with a
// time of day) and its size.
struct DeletionCandidate {
  DateTime written;
  int64_t size = 0;
};

enum class ConditionResult { kDelete, kKeep, kBadValue };

// Parses "year/month/day" with an optional "hour:minute[:second]" after a
// blank ('-' and '.' also separate the date). False for anything else or an
// impossible date; an impossible time of day leaves the date alone.
bool ParseConditionDate(const char* text, DateTime* date);

// Tests a file against an entry's condition. A date condition whose value
// does not parse gives kBadValue (the package is damaged); a size value that
// is no decimal number keeps the file.
ConditionResult TestDeletionCondition(uint8_t code, const String& value, const DeletionCandidate& file);

// Whether an entry takes part in the run.
inline bool DeletionAppliesTo(const FileDeletion& entry, bool uninstalling) {
  return (entry.flags & (uninstalling ? FileDeletion::kAtUninstall : FileDeletion::kAtInstall)) != 0;
}
