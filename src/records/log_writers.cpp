#include "records/log_writers.h"

#include <cstdarg>

#include "core/codepage.h"
#include "core/format.h"
#include "records/journal.h"

namespace {

void WriteUtf8(Journal& journal, const String& utf8) { AppendToWorkingLog(journal.log, utf8.c_str(), utf8.length()); }

void WriteAscii(Journal& journal, const char* text) { AppendToWorkingLog(journal.log, text, TextLength(text)); }

void WriteWestern(Journal& journal, const char* text, int32_t bytes) {
  if (bytes <= 0) return;
  String wide;
  ToUtf16(text, bytes, wide, kCodePageWestern);
  WriteUtf8(journal, Utf16ToUtf8(wide));
}

}  // namespace

void LogText(Journal& journal, const char* text) {
  if (text != nullptr) WriteWestern(journal, text, TextLength(text));
}

void LogText(Journal& journal, const String& narrow) { WriteWestern(journal, narrow.c_str(), narrow.length()); }

void LogFormat(Journal& journal, const char* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  VFormatString(text, format, args);
  va_end(args);
  LogText(journal, text);
}

void LogTextW(Journal& journal, const char16_t* text) {
  if (text == nullptr || *text == 0) return;
  WriteUtf8(journal, Utf16ToUtf8(text));
}

void LogTextW(Journal& journal, const String& wide) {
  if (wide.empty()) return;
  WriteUtf8(journal, Utf16ToUtf8(wide));
}

void LogFormatW(Journal& journal, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  VFormatStringW(text, format, args);
  va_end(args);
  LogTextW(journal, text);
}

void LogTextW(Journal& journal, const char16_t* head, const String& middle, const char16_t* tail) {
  String line(head);
  line.AppendW(middle.w_str(), middle.wlength());
  line.AppendW(tail);
  LogTextW(journal, line);
}

void LogItem(Journal& journal, const char16_t* head, const String& item) { LogTextW(journal, head, item, u"\"..."); }

void LogOk(Journal& journal) { WriteAscii(journal, "OK\r\n"); }

void LogFailed(Journal& journal) { WriteAscii(journal, "FAILED\r\n"); }

void LogFailedBang(Journal& journal) { WriteAscii(journal, "FAILED!\r\n"); }

void LogFailedCode(Journal& journal, int32_t code) { WriteUtf8(journal, Format("FAILED, code %d\r\n", code)); }

void LogResult(Journal& journal, bool ok) {
  if (ok) {
    LogOk(journal);
  } else {
    LogFailed(journal);
  }
}
