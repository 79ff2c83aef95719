#include <windows.h>

#include "core/environment.h"
#include "core/file_ops.h"
#include "core/file_specification.h"

namespace {

constexpr SpecSystem kRunningSystem = {WalkFolder, ExpandEnvironment, FolderExists, CurrentFolder};

}  // namespace

int32_t ExpandFileSpecification(const SpecRequest& request) { return ExpandFileSpecification(kRunningSystem, request); }
