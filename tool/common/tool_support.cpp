#include "tool_support.h"

#include <kiln/qbitmap.h>
#include <kiln/qdebug.h>

#include <cctype>

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

int ImageFormatFor(const std::string &path, bool gray) {
  const std::size_t dot = path.rfind('.'), slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return -1;
  std::string extension = path.substr(dot);
  for (char &c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".rgb" || extension == ".sgi") return QBM_FORMAT_RGB;
  if (extension == ".tga") return gray ? QBM_FORMAT_TGA_GRAY : QBM_FORMAT_TGA;
  if (extension == ".jpg" || extension == ".jpeg") return QBM_FORMAT_JPG;
  return -1;
}

}  // namespace kiln::tool
