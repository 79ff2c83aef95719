#include "actions/restore_point.h"

namespace {
constexpr int32_t kMaxDescription = 255;
}

String RestorePointDescription(const String& product_name, const String& version) {
  String description = product_name;
  if (!version.empty()) {
    description.AppendW(u' ');
    description.Append(version);
  }
  if (description.wlength() > kMaxDescription) description.TruncateAtW(kMaxDescription);
  return description;
}
