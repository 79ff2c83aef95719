// Questions and notices of the install sequence. Automatic mode answers every
// question with its default and shows no notice; silent mode is automatic.
#pragma once

#include "core/string.h"

bool AskYesNo(const String& text, const String& title, bool automatic_answer);
void ShowNotice(const String& text, const String& title);
