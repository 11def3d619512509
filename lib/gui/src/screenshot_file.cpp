#include "screenshot_file.h"

#include <kiln/qdebug.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kiln::gui {

namespace {

constexpr int kLastNumber = 99999;

}  // namespace

bool ReserveScreenshotFile(const char *prefix, qstring &file) {
  char name[64];
  for (int number = 1; number <= kLastNumber; ++number) {
    std::snprintf(name, sizeof name, "/tmp/%s%05d.tga", prefix, number);
    // Exclusive creation fails on any existing name, a dangling link too.
    const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      close(fd);
      file = name;
      return true;
    }
    if (errno != EEXIST) {
      qerr("QApp: can't create screenshot file '%s' (%s)", name, std::strerror(errno));
      return false;
    }
  }
  qerr("QApp: no free screenshot name left; /tmp/%s00001.tga to /tmp/%s%05d.tga all exist", prefix, prefix,
       kLastNumber);
  return false;
}

void RemoveScreenshotFile(const qstring &file) { unlink(file.CStr()); }

}  // namespace kiln::gui
