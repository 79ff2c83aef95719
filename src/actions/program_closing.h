// The package's list of programs to close, as the window rules that the
// closing walk (core/close_applications_win.h) applies. The installer applies
// every rule at once; the uninstaller splits them into the phase before its
// confirmation and, for the rules that ask the user, the phase after it.
#pragma once

#include <cstdint>

#include "core/close_rules.h"
#include "core/vector.h"
#include "package/settings.h"

constexpr uint32_t kCloseBeforeConfirmation = 1u << 0;
constexpr uint32_t kCloseAfterConfirmation = 1u << 1;
constexpr uint32_t kCloseEveryPhase = kCloseBeforeConfirmation | kCloseAfterConfirmation;

// The stored rules (8-bit texts) as window rules, each in its uninstall phase.
Vector<WindowRule> WindowRulesOf(const Vector<CloseRule>& rules);
