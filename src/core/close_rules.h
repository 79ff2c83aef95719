// Closing running programs before their files are replaced or removed: the
// product's window rules and what each does to a window it matches. The walk
// over the system's windows is close_applications_win.h.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

enum class CloseAction : uint32_t {
  kPostClose = 0,  // restore and activate the window, then post WM_CLOSE
  kPostQuit = 1,   // the same with WM_QUIT
  kAskUser = 2,    // ask the user to close the program, until it is gone
  kTerminate = 3,  // end the process that owns the window
};

// One entry of the product's list of programs to close.
struct WindowRule {
  String title;         // UTF-16 pattern for the window's title; empty: not tested
  String window_class;  // UTF-16 pattern for its class name; empty: not tested
  String program;       // UTF-16 name of the program, for the question
  uint32_t action = 0;  // a CloseAction
  uint32_t phases = 0;  // the phases (bit mask) in which the rule applies
};

// A pattern that starts with '*' matches a text in which the rest occurs
// anywhere (the rest is a wildcard pattern: further single stars may skip
// text, "**" is a literal star; a lone "*" has nothing to find and matches
// nothing). Any other pattern must equal the text. Case counts.
bool WindowTextMatches(const String& pattern, const String& text);

// Both patterns must match where given; a rule with neither matches nothing.
bool WindowRuleMatches(const WindowRule& rule, const String& title, const String& window_class);

// The first rule that shares a bit with `phases` and matches the window, or
// -1. Only that rule decides what happens to the window.
int32_t FindWindowRule(const Vector<WindowRule>& rules, uint32_t phases, const String& title,
                       const String& window_class);

// What is done to a window that a rule with `action` matched. Asking is
// skipped in silent mode; an unknown action does nothing.
enum class CloseStep { kNothing, kPostClose, kPostQuit, kAskUser, kTerminate };
CloseStep CloseStepFor(uint32_t action, bool silent);

// The question for one program: `question` (a language text) with `program`
// in the place of its first "%s". The text comes from the package, so it is
// never used as a format: other '%' sequences stay as they are.
String CloseQuestionText(const String& question, const String& program);
