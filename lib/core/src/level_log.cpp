// The level log: every line goes to standard error, the console, the remote
// output and "QLOG.txt", which is rotated to "QLOG_OLD.txt" when it grows
// beyond its limit.
#include <kiln/qdebug.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "diag_internal.h"

namespace kiln::diag {
namespace {

constexpr const char *kLogName = "QLOG.txt";
constexpr const char *kOldLogName = "QLOG_OLD.txt";
constexpr long long kLogLimit = 10000000;
constexpr int kLevelBits = 0x7F;
constexpr int kBreakBit = 0x400;

bool started = false;
unsigned logMask = QLOG_MASK_DEFAULT;
QAppNameHook appNameHook = nullptr;
const char *consolePath = "/dev/console";

const char *LevelName(int flags) {
  if (flags & QLOG_ERR) return "ERR";
  if (flags & QLOG_WARN) return "WARN";
  if (flags & QLOG_CRIT) return "CRIT";
  if (flags & QLOG_NOTE) return "NOTE";
  if (flags & QLOG_INFO) return "INFO";
  if (flags & QLOG_FATAL) return "FATAL";
  return "?";
}

const char *AppName() {
  const char *name = appNameHook ? appNameHook() : nullptr;
  return name ? name : "noqapp";
}

// Never creates the device, never makes it the controlling terminal and
// never waits for it.
void WriteConsole(const char *text) {
  int fd = open(consolePath, O_WRONLY | O_APPEND | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  ssize_t ignored = write(fd, text, std::strlen(text));
  (void)ignored;
  close(fd);
}

long long FileSize(FILE *file) {
  struct stat status;
  return fstat(fileno(file), &status) == 0 ? static_cast<long long>(status.st_size) : 0;
}

void ReportUnopenedLog() {
  int error = errno;
  char text[256];
  std::snprintf(text, sizeof text, "[%s/%d] Can't open log file (QLOG)", AppName(), static_cast<int>(getpid()));
  errno = error;
  syslog(LOG_ERR, "%s (%m)", text);
  std::fprintf(stderr, "** %s\n", text);
}

// Moves the full log aside and starts an empty one. When neither the rename
// nor the removal succeeds the log stays over the limit; the caller then
// writes to it anyway rather than trying again.
FILE *RotateLog() {
  std::remove(kOldLogName);
  std::rename(kLogName, kOldLogName);
  std::remove(kLogName);
  if (FILE *created = std::fopen(kLogName, "ab")) std::fclose(created);
  chmod(kLogName, 0666);
  return std::fopen(kLogName, "a");
}

void WriteLogFile(const char *level, const char *message) {
  FILE *file = std::fopen(kLogName, "a");
  if (file && FileSize(file) > kLogLimit) {
    std::fclose(file);
    file = RotateLog();
  }
  if (!file) {
    ReportUnopenedLog();
    return;
  }
  std::time_t now = std::time(nullptr);
  struct tm local;
  char stamp[80] = "";
  if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%a %b %d %H:%M:%S", &local);
  std::fprintf(file, "%s (%-5s): [%s/%d] %s", stamp, level, AppName(), static_cast<int>(getpid()), message);
  std::fclose(file);
}

}  // namespace

bool MarkStarted() {
  if (started) return false;
  started = true;
  return true;
}

void LogText(int flags, const char *text) {
  if (MarkStarted()) LogText((flags & ~(kLevelBits | kBreakBit)) | QLOG_INFO, kStartLine);

  const char *level = LevelName(flags);
  char message[kMessageSize];
  std::snprintf(message, sizeof message, "%s", text);
  EnsureNewline(message, sizeof message);

  if (!(flags & QLOG_NO_STDERR)) WriteStderr(message);
  if (!(flags & QLOG_NO_REMOTE)) {
    char remote[kMessageSize + 16];
    std::snprintf(remote, sizeof remote, "%s: %s", level, message);
    RemoteSend(remote);
    WriteConsole(message);
  }
  WriteLogFile(level, message);
}

void SetConsolePath(const char *path) { consolePath = path; }

}  // namespace kiln::diag

using namespace kiln::diag;

void qlog(int flags, const char *format, ...) {
  char text[kMessageSize];
  KILN_FORMAT_ARGS(text, sizeof text, format);
  LogText(flags, text);
}

unsigned qlog_set_mask(unsigned mask) {
  unsigned old = logMask;
  logMask = mask;
  return old;
}

unsigned qlog_get_mask() { return logMask; }

QAppNameHook qlog_set_app_name_hook(QAppNameHook hook) {
  QAppNameHook old = appNameHook;
  appNameHook = hook;
  return old;
}

FILE *qlog_open_tail() {
  FILE *file = std::fopen(kLogName, "r");
  if (!file) return nullptr;
  // Back from the end to just after the last newline; when the file ends
  // with a newline that is the end itself.
  long position = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : 0;
  while (position > 0) {
    if (std::fseek(file, position - 1, SEEK_SET) != 0 || std::fgetc(file) == '\n') break;
    --position;
  }
  std::fseek(file, position > 0 ? position : 0, SEEK_SET);
  return file;
}
