#include "uninstall/uninstall_batches.h"

namespace {

void AppendSetLine(String& lines, const char16_t* name, const String& value) {
  lines.AppendW(u"SET \"");
  lines.AppendW(name);
  lines.AppendW(u'=');
  for (int32_t i = 0; i < value.wlength(); ++i) {
    if (value.AtW(i) == u'%') lines.AppendW(u'%');
    lines.AppendW(value.AtW(i));
  }
  lines.AppendW(u"\"\r\n");
}

}  // namespace

String UninstallBatchVariables(const UninstallBatchFacts& facts) {
  String lines;
  AppendSetLine(lines, u"InstallDir", facts.install_dir);
  AppendSetLine(lines, u"UninstallDir", facts.uninstall_dir);
  AppendSetLine(lines, u"SharedDir", facts.shared_dir);
  AppendSetLine(lines, u"ProductName", facts.product_name);
  return lines;
}
