// Installing fonts: the system learns of a font file from its value under
// the Fonts registry key and from the font resource added to the session.
#pragma once

#include "core/string.h"
#include "records/journal.h"

// The system's key that lists installed fonts (under HKEY_LOCAL_MACHINE).
constexpr char16_t kFontsKeyNT[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr char16_t kFontsKey9x[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

// Platform (fonts_win.cpp).
// Stores `file_name` (relative to the Fonts folder) under `display_name`
// and adds the font at `path` to the session. Failures go to the working
// log; the result says whether both steps worked.
bool RegisterFont(Journal& journal, const String& display_name, const String& file_name, const String& path);
// Whether the system's font key lists a font under `display_name`.
bool FontRegistered(const String& display_name);
// Tells every top-level window that the fonts changed, without waiting on
// one that hangs.
void BroadcastFontChange();
