#include "diag_capture.h"

#include <kiln/qdebug.h>

#include <cstdio>
#include <regex>

#include "diag_internal.h"

namespace kiln::test {
namespace {

constexpr char kRecordEnd = '\x1e';

void AppendRemote(const char *text) {
  if (FILE *file = std::fopen("remote.txt", "ab")) {
    std::fprintf(file, "%s%c", text, kRecordEnd);
    std::fclose(file);
  }
}

}  // namespace

bool ParseLogLine(const std::string &line, LogLine *out) {
  static const std::regex format(
      "[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} \\((.{5})\\): \\[(.*)/([0-9]+)\\] (.*)");
  std::smatch match;
  if (!std::regex_match(line, match, format)) return false;
  out->level = match[1];
  out->app = match[2];
  out->pid = std::stoi(match[3]);
  out->message = match[4];
  return true;
}

Outputs CaptureOutputs(const TempDir &dir, const std::function<void()> &body) {
  dir.WriteFile("console.txt", "");
  ProcessResult run = RunInChild(
      [&] {
        kiln::diag::SetConsolePath("console.txt");
        qdbg_set_remote_hook(AppendRemote);
        body();
      },
      dir.path());
  Outputs outputs;
  outputs.status = run.status;
  outputs.out = run.out;
  outputs.err = run.err;
  outputs.logText = SplitLines(ReadFile(dir.Path("QLOG.txt")));
  for (const std::string &line : outputs.logText) {
    LogLine parsed;
    parsed.message = "<unparsed> " + line;
    ParseLogLine(line, &parsed);
    outputs.log.push_back(parsed);
  }
  outputs.console = ReadFile(dir.Path("console.txt"));
  std::string remote = ReadFile(dir.Path("remote.txt"));
  for (std::size_t start = 0, end; (end = remote.find(kRecordEnd, start)) != std::string::npos; start = end + 1) {
    outputs.remote.push_back(remote.substr(start, end - start));
  }
  return outputs;
}

}  // namespace kiln::test
