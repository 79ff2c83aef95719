#include "package/settings_state.h"

ProductSettings& Settings() {
  static ProductSettings settings;
  return settings;
}

LanguageTable& Languages() {
  static LanguageTable languages;
  return languages;
}

String Message(int32_t n) { return MessageText(Languages(), n); }

String MessageA(int32_t n) { return MessageTextA(Languages(), n); }
