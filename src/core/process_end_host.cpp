#include "core/process_end.h"

#include <cstdlib>

void EndProcessNow(int exit_code) {
  std::_Exit(exit_code);
}
