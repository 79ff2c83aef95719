#include "core/system_error_text.h"

#include "core/codepage.h"

String SystemErrorTextW(uint32_t error) {
  if (error == 0) return String();
  if (error == kErrorInvalidPassword) return String(u"Incorrect password.");
  String text;
  if (!system_error::LookUp(error, &text)) return String();
  text.TrimEndW();
  return text;
}

String SystemErrorText(uint32_t error) { return Utf16ToAnsi(SystemErrorTextW(error)); }

String LastErrorTextW() { return SystemErrorTextW(system_error::Last()); }

String LastErrorText() { return SystemErrorText(system_error::Last()); }
