#include "actions/associations.h"

#include "core/codepage.h"

FileAssociation AssociationFromRecord(const AssociationRecord& record) {
  FileAssociation a;
  a.mode = record.byte1;
  a.extension = AnsiToUtf16(record.text1);
  a.extension.TrimW();
  if (!a.extension.empty() && !a.extension.StartsWithW(u".")) a.extension.InsertW(0, u".");
  a.description = record.text2;
  a.verb = AnsiToUtf16(record.text3);
  a.verb_label = record.text4;
  a.command = AnsiToUtf16(record.text5);
  a.prog_id = AnsiToUtf16(record.text6);
  return a;
}

bool UsesExistingType(const String& prog_id) { return prog_id.empty() || prog_id.FindW(u'!') >= 0; }

String BackupValueName(const String& product_name) {
  String name;
  for (int32_t i = 0; i < product_name.wlength(); ++i) {
    const char16_t c = product_name.w_str()[i];
    if (c != u'\\' && c != u'\r' && c != u'\n' && c != u'\t') name.AppendW(c);
  }
  name.AppendW(u" Backup");
  return name;
}
