#include "records/log_writers.h"

#include <cstdarg>

#include "core/codepage.h"
#include "core/format.h"
#include "records/working_log.h"

namespace {

void WriteUtf8(const String& utf8) { AppendToWorkingLog(utf8.c_str(), utf8.length()); }

void WriteAscii(const char* text) { AppendToWorkingLog(text, TextLength(text)); }

void WriteWestern(const char* text, int32_t bytes) {
  if (bytes <= 0) return;
  String wide;
  ToUtf16(text, bytes, wide, kCodePageWestern);
  WriteUtf8(Utf16ToUtf8(wide));
}

}  // namespace

void LogText(const char* text) {
  if (text != nullptr) WriteWestern(text, TextLength(text));
}

void LogText(const String& narrow) { WriteWestern(narrow.c_str(), narrow.length()); }

void LogFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  VFormatString(text, format, args);
  va_end(args);
  LogText(text);
}

void LogTextW(const char16_t* text) {
  if (text == nullptr || *text == 0) return;
  WriteUtf8(Utf16ToUtf8(text));
}

void LogTextW(const String& wide) {
  if (wide.empty()) return;
  WriteUtf8(Utf16ToUtf8(wide));
}

void LogFormatW(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  VFormatStringW(text, format, args);
  va_end(args);
  LogTextW(text);
}

void LogTextW(const char16_t* head, const String& middle, const char16_t* tail) {
  String line(head);
  line.AppendW(middle.w_str(), middle.wlength());
  line.AppendW(tail);
  LogTextW(line);
}

void LogItem(const char16_t* head, const String& item) { LogTextW(head, item, u"\"..."); }

void LogOk() { WriteAscii("OK\r\n"); }

void LogFailed() { WriteAscii("FAILED\r\n"); }

void LogFailedBang() { WriteAscii("FAILED!\r\n"); }

void LogFailedCode(int32_t code) { WriteUtf8(Format("FAILED, code %d\r\n", code)); }

void LogResult(bool ok) {
  if (ok) {
    LogOk();
  } else {
    LogFailed();
  }
}
