// Closing running programs by the product's window rules (close_rules.h)
// before their files are replaced or removed.
#pragma once

#include <windows.h>

#include "core/close_rules.h"
#include "core/string.h"
#include "core/vector.h"

// The language texts of the question that rules asking the user show.
struct CloseQuestion {
  String text;     // UTF-16, "%s" stands for the rule's program name
  String caption;  // UTF-16
  HWND owner = nullptr;
};

enum class CloseOutcome {
  kDone,       // every matching window was dealt with (or nothing matched)
  kCancelled,  // the user cancelled a question: the caller ends the program
};

// Applies the rules of `phases` to every top-level window of other
// processes: the first rule of the phase that matches a window decides what
// happens to it (close_rules.h). A rule that asks the user repeats a
// retry/cancel question while the window exists; cancel stops the walk at
// once. Nothing is asked in silent mode. The walk does not wait for windows
// to close: callers that need the files free retry their file operations.
CloseOutcome CloseApplications(const Vector<WindowRule>& rules, uint32_t phases, const CloseQuestion& question);
