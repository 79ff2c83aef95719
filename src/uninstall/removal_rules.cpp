#include "uninstall/removal_rules.h"

#include "core/file_ops.h"
#include "core/format.h"
#include "core/path_rules.h"
#include "core/removal_guard.h"
#include "core/string_compare.h"

namespace {

constexpr int32_t kMaxSubfolderLines = 50;

bool SameFolder(const String& a, const String& b) {
  return CompareNoCaseW(WithoutTrailingSeparators(a), WithoutTrailingSeparators(b)) == 0;
}

void AppendQuotedLine(String& text, const char16_t* command, const String& path) {
  text.AppendW(command);
  text.AppendW(u" \"");
  text.Append(path);
  text.AppendW(u"\"\r\n");
}

}  // namespace

void SortFoldersLongestFirst(Array<String>* folders) {
  folders->Sort([](const String& a, const String& b) { return a.length() > b.length(); });
}

int32_t RemoveFolderChain(const String& folder, const String& stop_at, int32_t limit, RemoveFolderFn remove,
                          void* context) {
  String current = WithoutTrailingSeparators(folder);
  int32_t removed = 0;
  for (int32_t level = 0; level < limit && !current.empty(); ++level) {
    if (SameFolder(current, stop_at) || IsDriveRoot(current)) break;
    if (!remove(current, context)) break;
    ++removed;
    current = ParentFolder(current);
  }
  return removed;
}

Array<String> LastFolders(const String& product_folder, const String& uninstall_subdir, const FileSet& made) {
  Array<String> folders;
  String subdir = WithoutTrailingSeparators(uninstall_subdir);
  for (int32_t lines = 0; !subdir.empty() && lines < kMaxSubfolderLines; ++lines) {
    folders.Add(JoinPath(product_folder, subdir.w_str()));
    subdir = ParentFolder(subdir);
  }
  String folder = WithoutTrailingSeparators(product_folder);
  for (int32_t lines = 0; lines < kMaxSubfolderLines && !folder.empty() && !IsDriveRoot(folder); ++lines) {
    if (!FileSetHas(made, folder)) break;
    folders.Add(folder);
    folder = ParentFolder(folder);
  }
  return folders;
}

String SelfRemovalBatchText(const String& program, const Array<String>& folders, const String& batch_path) {
  String text(u":Repeat\r\n");
  AppendQuotedLine(text, u"del", program);
  text.AppendW(u"if exist \"");
  text.Append(program);
  text.AppendW(u"\" goto Repeat\r\nCHOICE /T 3 /D Y\r\n");
  for (const String& folder : folders) AppendQuotedLine(text, u"rd", folder);
  AppendQuotedLine(text, u"del", batch_path);
  return text;
}

bool KeyBelowFloor(const String& path, const String& floor) {
  return IsSameOrInside(path, floor) && !SameFolder(path, floor);
}
