// The product's own registry key under Software\, in the machine's hive and
// every user's, and the parents it leaves empty.
#include "core/file_ops.h"
#include "core/path_rules.h"
#include "records/uninstall_value_names.h"
#include "uninstall/removal_rules.h"
#include "uninstall/uninstall_stages_win.h"

namespace uninstall {
namespace {

constexpr int32_t kRegistryClimbLimit = 20;
constexpr char16_t kSoftware[] = u"Software";

// Deletes `path` (inside `floor`, the hive's Software key) under `root`,
// then each parent that is left empty, never the floor itself.
void RemoveKeyAndEmptyParents(RegRoot root, String path, RegView view, const String& floor) {
  RegistryKey parent;
  for (int32_t level = 0; level < kRegistryClimbLimit; ++level) {
    if (!KeyBelowFloor(path, floor)) return;
    const String above = ParentFolder(path);
    const int32_t cut = above.wlength() + 1;
    const String leaf(path.w_str() + cut, path.wlength() - cut);
    if (!parent.Open(root, above.w_str(), kRegOpenOnly | kRegNoStack, kRegWriteAccess, view)) return;
    if (parent.DeleteKey(leaf.w_str(), level == 0 ? 0u : static_cast<uint32_t>(kRegOnlyIfEmpty)) != RegistryKey::kDeleted) return;
    path = above;
  }
}

}  // namespace

void RemoveProductRegistryKey(Run& run) {
  const String name = ReadValue(run.key, uninstall_value::kProductRegistry);
  if (!name.empty()) {
    const String software(kSoftware);
    const String path = JoinPath(software, WithoutTrailingSeparators(name).w_str());
    RemoveKeyAndEmptyParents(RegRoot::kLocalMachine, path, run.view, software);
    Array<String> hives;
    UserHives(&hives);
    for (const String& hive : hives) {
      RemoveKeyAndEmptyParents(RegRoot::kUsers, JoinPath(hive, path.w_str()), run.view, JoinPath(hive, kSoftware));
    }
  }
  run.key.DeleteValue(uninstall_value::kProductRegistry, 0);
}

}  // namespace uninstall
