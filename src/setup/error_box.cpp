#include "setup/error_box.h"

String ErrorTitle() {
  // The language table is not read yet at this stage of the program.
  return String(u"Error");
}
