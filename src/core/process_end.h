// Ends the process at once with an exit code: no destructors, no at-exit
// handlers. Used by the fatal path, which must not run anything that may
// depend on the state that just failed.
#pragma once

[[noreturn]] void EndProcessNow(int exit_code);
