#include "tool_support.h"

#include <kiln/qbitmap.h>
#include <kiln/qdebug.h>

#include <X11/Xlib.h>

#include <cerrno>
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

bool ReadWholeFile(const std::string &path, std::string *bytes, long limit) {
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes->clear();
  char buffer[65536];
  bool read = true;
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    if (static_cast<long>(bytes->size() + got) > limit) {
      errno = EFBIG;
      read = false;
      break;
    }
    bytes->append(buffer, got);
  }
  if (read && std::ferror(file)) read = false;
  const int error = errno;
  std::fclose(file);
  errno = error;
  return read;
}

bool WriteWholeFile(const std::string &path, std::string_view bytes) {
  const std::string partial = path + ".partial";
  FILE *file = std::fopen(partial.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = std::fclose(file) == 0 && written;
  if (written && std::rename(partial.c_str(), path.c_str()) == 0) return true;
  const int error = errno;
  std::remove(partial.c_str());
  errno = error;
  return false;
}

int ImageFormatFor(const std::string &path, bool gray) {
  const std::string extension = LowerExtension(path);
  if (extension == ".rgb" || extension == ".sgi") return QBM_FORMAT_RGB;
  if (extension == ".tga") return gray ? QBM_FORMAT_TGA_GRAY : QBM_FORMAT_TGA;
  if (extension == ".jpg" || extension == ".jpeg") return QBM_FORMAT_JPG;
  return -1;
}

}  // namespace kiln::tool
