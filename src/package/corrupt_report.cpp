#include "package/corrupt_report.h"

#include "core/fatal.h"
#include "package/message_numbers.h"
#include "package/message_box.h"

const char16_t kCorruptPackageText[] =
    u"This installation program is corrupt.  This is usually caused by a faulty download, but "
    u"it can also be caused by a virus on your computer.  The installation cannot proceed.\r\n"
    u"\r\n"
    u"Delete the corrupted installer (to prevent caching), then re-download it.  If the problem "
    u"persists, check your system for viruses.\r\n"
    u"\r\n"
    u"Error code: %d";

namespace {

bool g_reported = false;

void AppendDecimalW(String* text, int value) {
  char16_t digits[12];
  int count = 0;
  // Work in the negative range so that the most negative int needs no
  // special case.
  int rest = value < 0 ? value : -value;
  do {
    digits[count++] = static_cast<char16_t>(u'0' - rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (value < 0) text->AppendW(u'-');
  while (count > 0) text->AppendW(digits[--count]);
}

}  // namespace

String CorruptPackageText(const String& message, int code) {
  const char16_t* source = message.empty() ? kCorruptPackageText : message.w_str();
  String text;
  bool number_placed = false;
  for (const char16_t* p = source; *p != 0; ++p) {
    if (p[0] == u'%' && p[1] == u'%') {
      text.AppendW(u'%');
      ++p;
    } else if (p[0] == u'%' && p[1] == u'd' && !number_placed) {
      AppendDecimalW(&text, code);
      number_placed = true;
      ++p;
    } else {
      text.AppendW(*p);
    }
  }
  return text;
}

bool CorruptPackageReported() { return g_reported; }

void ReportCorruptPackage(int code) {
  g_reported = true;
  // Message 13 is empty until the owner has read the language table; the
  // built-in text stands in then.
  FatalMessageW(CorruptPackageText(TheMessageBoxRules().corrupt_package, code).w_str());
}
