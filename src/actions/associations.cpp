#include "actions/associations.h"

#include "core/codepage.h"

FileAssociation AssociationFromRecord(const AssociationRecord& record) {
  FileAssociation a;
  a.mode = record.mode;
  a.extension = AnsiToUtf16(record.extension);
  a.extension.TrimW();
  if (!a.extension.empty() && !a.extension.StartsWithW(u".")) a.extension.InsertW(0, u".");
  a.description = record.description;
  a.verb = AnsiToUtf16(record.verb);
  a.verb_label = record.verb_label;
  a.command = AnsiToUtf16(record.command);
  a.prog_id = AnsiToUtf16(record.prog_id);
  return a;
}

bool UsesExistingType(const String& prog_id) { return prog_id.empty() || prog_id.FindW(u'!') >= 0; }

namespace {

String ProductValueName(const String& product_name, const char16_t* suffix) {
  String name;
  for (int32_t i = 0; i < product_name.wlength(); ++i) {
    const char16_t c = product_name.w_str()[i];
    if (c != u'\\' && c != u'\r' && c != u'\n' && c != u'\t') name.AppendW(c);
  }
  name.AppendW(suffix);
  return name;
}

}  // namespace

String BackupValueName(const String& product_name) { return ProductValueName(product_name, u" Backup"); }

String AssociationMarkName(const String& product_name) { return ProductValueName(product_name, u" Association"); }

AssociationUndoPlan PlanAssociationUndo(bool has_mark, uint32_t mark, bool has_backup, bool points_at_product) {
  if (has_mark) return {(mark & kMarkRestored) == 0, true};
  const bool ours = has_backup || points_at_product;
  return {ours, ours};
}
