#include "core/environment.h"
#include "core/os_facts.h"
#include "core/system_folders.h"
#include "core/temp_files.h"

// Host tests see a system that knows no special, known or registry folders:
// every source falls back to what it builds from the Windows folder or to
// its fixed text.
namespace {

String None(int32_t) { return String(); }
String NoKnownFolder(const char16_t*) { return String(); }
String Expand(const String& text) {
  String out = text;
  ExpandEnvironment(out);
  return out;
}
String WindowsDirectory() { return String(u"C:\\Windows"); }
String NoSystemDirectory() { return String(); }
String TempFolder() { return TemporaryFolderFromAnswer(u"", 0); }
String NoRegistryText(RegRoot, const char16_t*, const char16_t*, bool) { return String(); }
String UserName() { return String(u"user"); }
bool Nt() { return IsNT(); }
bool SixtyFour() { return Is64BitWindows(); }

}  // namespace

const FolderSystem& TheFolderSystem() {
  static const FolderSystem system = {None,           NoKnownFolder, EnvironmentVariable, Expand, WindowsDirectory,
                                      NoSystemDirectory, TempFolder,  NoRegistryText,      UserName, Nt,
                                      SixtyFour};
  return system;
}
