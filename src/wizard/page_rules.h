// The rules of the wizard pages that need no window: which template a style
// picks, where the finish page's check boxes go, what the start-menu page
// accepts and which language the language page preselects.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

// A page's template name: its base ("License") plus the style's suffix
// ("Dlg", "Dlg2", "Dlg3", "Dlg4"), UTF-16.
String PageTemplateName(const char16_t* base, int32_t style);

// The look a style value stands for.
enum class PageLook { kPlain, kSidePicture, kBanner, kFullPicture };
PageLook LookOfStyle(int32_t style);

// The finish page's options in the order they are laid out, each with its
// check box id.
enum FinishOption : int32_t { kFinishRun, kFinishDocument, kFinishDocument2, kFinishLog, kFinishOptions };
inline constexpr int kFinishBoxIds[kFinishOptions] = {1025, 1023, 1029, 1027};

// Where each existing option's check box goes, in dialog units: its left and
// top edges; the box reaches to x 275 and 9 units down. Options that do not
// exist get `shown` false.
struct FinishBoxPlace {
  bool shown = false;
  int32_t x = 0;
  int32_t y = 0;
};
void LayOutFinishBoxes(int32_t style, const bool (&exists)[kFinishOptions], FinishBoxPlace (&places)[kFinishOptions]);
inline constexpr int32_t kFinishBoxRight = 275;
inline constexpr int32_t kFinishBoxHeight = 9;

// Whether a start-menu folder text may be taken: none of / \" < > | * ? : ;
// except the backslash between names, no leading backslash and no two
// backslashes in a row.
bool StartMenuFolderAcceptable(const String& folder);

// The language to preselect: the entry named `user_language` (the user's
// language in its own name), else the last "English", else the first.
int32_t PreselectedLanguage(const Array<String>& names, const String& user_language);

// Whether a text reads right to left: its first letter is Hebrew or Arabic
// (or of a script written like them). Pages of such a language are mirrored.
bool ReadsRightToLeft(const String& text);
