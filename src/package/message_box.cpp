#include "package/message_box.h"

#include "package/message_numbers.h"
#include "package/settings_state.h"

String ErrorTitle() {
  String title = Message(message_number::kErrorTitle);
  return title.empty() ? String(u"Error") : title;
}
