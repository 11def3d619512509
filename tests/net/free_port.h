// Finds a free loopback port for a test's own socket.
#pragma once

#include <unistd.h>

#include <functional>

#include "message_capture.h"

namespace kiln::test {

// Tries ports from a range spread by process id until `open` takes one;
// returns it, or -1. Messages of the failed tries are dropped.
inline int OpenOnFreePort(const std::function<bool(int)> &open, int salt = 0) {
  MessageCapture quiet;
  for (int attempt = 0; attempt < 50; ++attempt) {
    int port = 20000 + (getpid() * 7 + salt * 1009 + attempt * 131) % 30000;
    if (open(port)) return port;
  }
  return -1;
}

}  // namespace kiln::test
