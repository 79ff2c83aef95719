#include "core/process_end.h"

#include <windows.h>

void EndProcessNow(int exit_code) {
  ExitProcess(static_cast<UINT>(exit_code));
}
