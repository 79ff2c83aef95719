#include "core/command_interpreter.h"

#include "core/environment.h"
#include "core/os_facts.h"
#include "core/path_rules.h"
#include "core/system_folders.h"

String CommandInterpreter() {
  String comspec = EnvironmentVariable(u"comspec");
  if (!comspec.empty()) {
    ExpandEnvironment(comspec);
    return comspec;
  }
  if (!IsNT()) return JoinPath(FolderPath(FolderSource::kWindows), u"command.com");
  return JoinPath(FolderPath(FolderSource::kSystem32), u"cmd.exe");
}
