// How long-running work reports its progress without knowing who shows it:
// the progress page of the wizard, or nothing in a run without windows.
// A plain record of calls, so that layers below the wizard (file phase,
// install actions, uninstaller) can report through it. A null call is skipped.
#pragma once

#include <cstdint>

#include "core/string.h"

struct Progress {
  void* context = nullptr;
  // Moves the bar to `percent` (0-100).
  void (*position)(void* context, int32_t percent) = nullptr;
  // Shows `text` (UTF-16) as the status; an empty text keeps the status shown.
  void (*status)(void* context, const String& text) = nullptr;
  // Waits until the minimum status time has passed since the last status
  // change, pumping window messages; returns at once where no one looks.
  void (*wait_minimum_status_time)(void* context) = nullptr;
};

// Reports through `progress`, skipping calls it does not have.
void ReportProgress(const Progress& progress, int32_t percent, const String& text);
void WaitMinimumStatusTime(const Progress& progress);
