#include "tool_support.h"

#include <kiln/qbitmap.h>
#include <kiln/qdebug.h>

#include <X11/Xlib.h>

#include <cstdio>

#include "path_names.h"

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

bool HasXDisplay() {
  Display *display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

int ImageFormatFor(const std::string &path, bool gray) {
  const std::string extension = LowerExtension(path);
  if (extension == ".rgb" || extension == ".sgi") return QBM_FORMAT_RGB;
  if (extension == ".tga") return gray ? QBM_FORMAT_TGA_GRAY : QBM_FORMAT_TGA;
  if (extension == ".jpg" || extension == ".jpeg") return QBM_FORMAT_JPG;
  return -1;
}

}  // namespace kiln::tool
