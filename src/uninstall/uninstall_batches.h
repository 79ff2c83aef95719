// The variables that the uninstall batches find predefined: what the
// uninstaller knows from the product's Uninstall key.
#pragma once

#include "core/string.h"

struct UninstallBatchFacts {
  String install_dir;
  String uninstall_dir;
  String shared_dir;
  String product_name;
};

// "SET \"Name=value\"" lines (UTF-16, CR LF), percent signs doubled so that
// each value reaches the batch as it is.
String UninstallBatchVariables(const UninstallBatchFacts& facts);
