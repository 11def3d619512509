#include "tool_support.h"

#include <kiln/qdebug.h>

#include <cstdio>

namespace kiln::tool {
namespace {

void PrintMessage(const char *text) { std::fputs(text, stderr); }
void Discard(const char *) {}

}  // namespace

void SendMessagesToStandardError() {
  qdbg_set_callback(Discard);
  qwarn_set_callback(PrintMessage);
  qerr_set_callback(PrintMessage);
}

int Fail(const char *program, const std::string &message) {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  return kFailure;
}

int Usage(const char *help) {
  std::fputs(help, stderr);
  return kUsage;
}

bool IsHelpRequest(const std::string &argument) {
  return argument == "--help" || argument == "-h" || argument == "help";
}

}  // namespace kiln::tool
