#include "setup/run_state.h"

RunState& TheRun() {
  static RunState state;
  return state;
}
