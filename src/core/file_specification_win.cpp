#include <windows.h>

#include "core/environment.h"
#include "core/file_ops.h"
#include "core/file_specification.h"

namespace {

bool FolderExists(const char16_t* path) {
  const uint32_t attributes = GetAttributes(path);
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

constexpr SpecSystem kRunningSystem = {WalkFolder, ExpandEnvironment, FolderExists, CurrentFolder};

}  // namespace

int32_t ExpandFileSpecification(const SpecRequest& request) { return ExpandFileSpecification(kRunningSystem, request); }
