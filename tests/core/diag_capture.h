// Runs diagnostic output in a child process and collects every destination:
// standard error, the level log, the console and the remote output.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace kiln::test {

struct LogLine {
  std::string level;  // as written, padded to five characters
  std::string app;
  int pid = 0;
  std::string message;
};

struct Outputs {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<std::string> logText;  // raw lines of QLOG.txt
  std::vector<LogLine> log;
  std::string console;
  std::vector<std::string> remote;  // one text per remote send
};

// Runs `body` with its working directory in `dir`; the console output is
// written to "console.txt" there, which is created empty first.
Outputs CaptureOutputs(const TempDir &dir, const std::function<void()> &body);

// Parses one line of the level log; false when it is not in the log format.
bool ParseLogLine(const std::string &line, LogLine *out);

}  // namespace kiln::test
