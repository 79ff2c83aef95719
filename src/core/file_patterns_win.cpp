#include <windows.h>

#include "core/environment.h"
#include "core/file_ops.h"
#include "core/file_patterns.h"

namespace {

constexpr PatternSystem kRunningSystem = {WalkFolder, ExpandEnvironment, FolderExists, CurrentFolder};

}  // namespace

int32_t ExpandFilePatterns(const PatternRequest& request) { return ExpandFilePatterns(kRunningSystem, request); }
