// What the fuzzing harnesses share.
#pragma once

#include <kiln/qdebug.h>

namespace kiln::fuzz {

// The outputs would fill the terminal and a log file; they are dropped.
// Returns true, so a harness can call it once from a static initializer.
inline bool SilenceDiagnostics() {
  auto drop = [](const char *) {};
  qdbg_set_callback(drop);
  qwarn_set_callback(drop);
  qerr_set_callback(drop);
  qout_set_callback(drop);
  return true;
}

}  // namespace kiln::fuzz
