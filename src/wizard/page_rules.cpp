#include "wizard/page_rules.h"

#include "package/languages.h"
#include "package/settings.h"

String PageTemplateName(const char16_t* base, int32_t style) {
  String name(base);
  name.AppendW(PageStyleSuffix(style));
  return name;
}

PageLook LookOfStyle(int32_t style) {
  switch (style) {
    case 0:
      return PageLook::kPlain;
    case 1:
      return PageLook::kSidePicture;
    case 3:
      return PageLook::kFullPicture;
    default:
      return PageLook::kBanner;
  }
}

void LayOutFinishBoxes(int32_t style, const bool (&exists)[kFinishOptions], FinishBoxPlace (&places)[kFinishOptions]) {
  int32_t missing = 0;
  for (bool e : exists) missing += e ? 0 : 1;
  int32_t x = 20;
  int32_t y = 78;
  switch (LookOfStyle(style)) {
    case PageLook::kPlain:
      // The compact page centres a short list by starting lower.
      x = 12;
      y = (missing * 14 / 2) | 32;
      break;
    case PageLook::kSidePicture:
    case PageLook::kFullPicture:
      x = 98;
      y = 52;
      break;
    case PageLook::kBanner:
      break;
  }
  for (int i = 0; i < kFinishOptions; ++i) {
    places[i] = FinishBoxPlace{};
    if (!exists[i]) continue;
    places[i] = FinishBoxPlace{true, x, y};
    y += 14;
  }
}

bool StartMenuFolderAcceptable(const String& folder) {
  if (folder.FindAnyOfW(u"/\"<>|*?:;") >= 0) return false;
  if (folder.wlength() > 0 && folder.AtW(0) == u'\\') return false;
  return folder.FindW(u"\\\\") < 0;
}

int32_t PreselectedLanguage(const Array<String>& names, const String& user_language) {
  if (!user_language.empty()) {
    for (int32_t i = 0; i < names.Count(); ++i) {
      if (names[i] == user_language) return i;
    }
  }
  return DefaultLanguage(names);
}

bool ReadsRightToLeft(const String& text) {
  for (int32_t i = 0; i < text.wlength(); ++i) {
    const char16_t unit = text.AtW(i);
    if ((unit >= 0x0590 && unit <= 0x08FF) || (unit >= 0xFB1D && unit <= 0xFDFF) || (unit >= 0xFE70 && unit <= 0xFEFF)) {
      return true;
    }
    // The first letter of any other script decides the other way; digits,
    // blanks and punctuation decide nothing.
    if ((unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') || unit >= 0x00C0) return false;
  }
  return false;
}
