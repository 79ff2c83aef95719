// The text rules of the batch files we write and run: the encoding with its
// code-page line, and the PAUSE lines that would block a run nobody watches.
#pragma once

#include "core/string.h"

// The file's bytes for a UTF-16 batch text. Text that is not pure ASCII, on
// a system whose console takes UTF-8 batches (Windows 7 and later), becomes
// UTF-8 behind "@chcp 65001 >nul"; anything else becomes Windows-1252 ("?"
// for what it cannot hold) behind "@chcp 1252 >nul".
String EncodeBatchText(const String& wide, bool utf8_console);

// Whether a UTF-16 command line is a PAUSE command: blanks trimmed, one
// leading "@" ignored, any case, with or without arguments.
bool IsPauseCommand(const String& line);

// The UTF-16 commands without their PAUSE lines; other lines, and the CR LF
// between them, are kept as they are.
String WithoutPauseLines(const String& commands);
