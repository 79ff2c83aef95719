#include "core/progress.h"

void ReportProgress(const Progress& progress, int32_t percent, const String& text) {
  if (progress.position) progress.position(progress.context, percent);
  if (progress.status && !text.empty()) progress.status(progress.context, text);
}

void WaitMinimumStatusTime(const Progress& progress) {
  if (progress.wait_minimum_status_time) progress.wait_minimum_status_time(progress.context);
}
