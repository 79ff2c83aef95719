#include <windows.h>
#include <shlobj.h>

#include "actions/association_undo.h"
#include "actions/firewall.h"
#include "actions/path_list.h"
#include "actions/system_path.h"
#include "core/codepage.h"
#include "records/marked_path.h"
#include "records/uninstall_data.h"
#include "uninstall/undo_steps.h"

namespace {

// A [Firewall] line in UTF-16: ANSI text, except a program path marked as
// UTF-8, which is the first field.
String FirewallLineText(const String& line) {
  if (line.empty() || line.c_str()[0] != '|') return AnsiToUtf16(line);
  const int32_t end = line.Find(";");
  if (end < 0) return UnmarkPath(line);
  String text = UnmarkPath(String(line.c_str(), end));
  text.Append(AnsiToUtf16(String(line.c_str() + end, line.length() - end)));
  return text;
}

}  // namespace

void UndoAssociations(const Vector<RecordedAssociation>& associations, const String& display_name, const String& product_folder,
                      RegView view) {
  if (associations.IsEmpty()) return;
  for (const RecordedAssociation& recorded : associations) {
    AssociationToUndo a;
    a.extension = AnsiToUtf16(recorded.extension);
    a.file_type = AnsiToUtf16(recorded.file_type);
    a.verb = AnsiToUtf16(recorded.verb);
    a.icon = AnsiToUtf16(recorded.icon);
    a.product_folder = product_folder;
    UndoAssociation(a, display_name, view);
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void UndoFirewallExceptions(const Array<String>& lines, const String& product_folder) {
  Array<String> wide;
  for (const String& line : lines) {
    if (!line.empty()) wide.Add(FirewallLineText(line));
  }
  RemoveFirewallExceptions(wide, product_folder);
}

String UndoPathAddition(const String& product_folder, const String& subfolder) {
  return ChangeSystemPath(false, PathAdditionFolder(product_folder, subfolder));
}
