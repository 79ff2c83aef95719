#include "records/failure_summary.h"

#include <cstdarg>

#include "core/codepage.h"
#include "core/format.h"
#include "records/journal.h"

void AddFailure(Journal& journal, const char* text) {
  if (text == nullptr || *text == 0) return;
  FailureSummary& summary = journal.failures;
  summary.text.Append(text);
  ++summary.count;
}

void AddFailure(Journal& journal, const String& text) {
  if (text.empty()) return;
  FailureSummary& summary = journal.failures;
  summary.text.Append(text);
  ++summary.count;
}

void AddFailureW(Journal& journal, const char16_t* text) {
  if (text == nullptr || *text == 0) return;
  AddFailure(journal, Utf16ToAnsi(text));
}

void AddFailureFormat(Journal& journal, const char* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  VFormatString(text, format, args);
  va_end(args);
  AddFailure(journal, text);
}

void AddFailureFormatW(Journal& journal, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  VFormatStringW(text, format, args);
  va_end(args);
  AddFailure(journal, Utf16ToAnsi(text));
}

bool HasFailed(const Journal& journal) { return !journal.failures.text.empty(); }

void ClearFailures(Journal& journal) {
  FailureSummary& summary = journal.failures;
  summary.text.Clear();
  summary.count = 0;
}
