// Where the testkit's own tests find testkit_child.exe, and how they start it.
#pragma once

#include <string>
#include <vector>

#include "testkit/paths.h"
#include "testkit/process.h"

namespace testkit {

inline std::wstring ChildExe() { return BuildPath(L"tests/testkit/testkit_child.exe"); }

inline Process StartChild(const std::vector<std::wstring>& arguments, const ProcessOptions& options = {}) {
  return Process::Start(ChildExe(), JoinArguments(arguments), options);
}

}  // namespace testkit
