#include "package/message_box.h"

#include "package/settings_state.h"

String ErrorTitle() {
  String title = Message(21);
  return title.empty() ? String(u"Error") : title;
}
