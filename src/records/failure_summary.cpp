#include "records/failure_summary.h"

#include <cstdarg>

#include "core/codepage.h"
#include "core/format.h"

FailureSummary& TheFailureSummary() {
  static FailureSummary summary;
  return summary;
}

void AddFailure(const char* text) {
  if (text == nullptr || *text == 0) return;
  FailureSummary& summary = TheFailureSummary();
  summary.text.Append(text);
  ++summary.count;
}

void AddFailure(const String& text) {
  if (text.empty()) return;
  FailureSummary& summary = TheFailureSummary();
  summary.text.Append(text);
  ++summary.count;
}

void AddFailureW(const char16_t* text) {
  if (text == nullptr || *text == 0) return;
  AddFailure(Utf16ToAnsi(text));
}

void AddFailureFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  VFormatString(text, format, args);
  va_end(args);
  AddFailure(text);
}

void AddFailureFormatW(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  VFormatStringW(text, format, args);
  va_end(args);
  AddFailure(Utf16ToAnsi(text));
}

bool HasFailed() { return !TheFailureSummary().text.empty(); }

void ClearFailures() {
  FailureSummary& summary = TheFailureSummary();
  summary.text.Clear();
  summary.count = 0;
}
