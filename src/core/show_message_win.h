// Message boxes shown by the core library and by the rest of the program:
// a silent run shows none.
#pragma once

#include <windows.h>

#include <cstdint>

// Shows `text` (UTF-16) in a box of the MB_ `type` titled `caption`, owned by
// `owner` (may be null), and returns the button pressed. In silent mode
// nothing is shown and the box's default button is the answer. The thread's
// last error is the same afterwards, so a box that reports a failure does not
// hide its cause from the caller.
// A null `owner` means the run's message owner (below), if one was set.
int ShowMessage(HWND owner, const char16_t* text, const char16_t* caption, uint32_t type);

// The window that owns boxes shown without an owner of their own, e.g. the
// installer's background window, so that they stay in front of it; null
// for none.
void SetMessageOwner(HWND owner);
