// The developer trace file.
#include <kiln/qtrace.h>

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "diag_internal.h"

namespace {

constexpr std::size_t kTraceLineSize = 1024;
constexpr int kMaxIndent = 12;

FILE *traceFile = nullptr;
unsigned traceMask = QTRACE_MASK_DEFAULT;
int traceLevel = 3;
int traceDepth = 0;
pid_t tracePid = 0;

// Date, time and process id as the mask asks, then "| " per depth level.
void BuildPrefix(char (&prefix)[60]) {
  std::size_t length = 0;
  prefix[0] = '\0';
  std::time_t now = std::time(nullptr);
  struct tm local;
  bool haveTime = localtime_r(&now, &local) != nullptr;
  if ((traceMask & QTRACE_DATE) && haveTime) {
    length += std::strftime(prefix + length, sizeof prefix - length, "%d-%m-%y ", &local);
  }
  if ((traceMask & QTRACE_TIME) && haveTime) {
    length += std::strftime(prefix + length, sizeof prefix - length, "%H:%M:%S ", &local);
  }
  if (traceMask & QTRACE_PID) {
    length += std::snprintf(prefix + length, sizeof prefix - length, "%6d ", static_cast<int>(getpid()));
  }
  for (int i = 0; i < traceDepth && i < kMaxIndent && length + 3 <= sizeof prefix; ++i) {
    prefix[length++] = '|';
    prefix[length++] = ' ';
    prefix[length] = '\0';
  }
}

void WriteTraceLine(const char *format, va_list args) {
  char text[kTraceLineSize];
  std::size_t length = kiln::diag::Format(text, sizeof text, format, args);
  while (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
  char prefix[60];
  BuildPrefix(prefix);
  std::fprintf(traceFile, "%s%s\n", prefix, text);
  std::fflush(traceFile);
}

void WriteCall(char direction, const char *className, const char *method, const void *object) {
  char prefix[60];
  BuildPrefix(prefix);
  if (object == QTRACE_NO_OBJECT) {
    std::fprintf(traceFile, "%s%c%s::%s\n", prefix, direction, className, method);
  } else {
    std::fprintf(traceFile, "%s%c%s::%s (this=0x%p)\n", prefix, direction, className, method, object);
  }
  std::fflush(traceFile);
}

unsigned ReplaceMask(unsigned mask) {
  unsigned old = traceMask;
  traceMask = mask;
  return old;
}

}  // namespace

bool qtrace_open(const char *path) {
  if (traceFile) {
    std::fclose(traceFile);
    traceFile = nullptr;
  }
  if (!path) return true;
  traceFile = std::fopen(path, "wb");
  if (!traceFile) return false;
  tracePid = getpid();
  return true;
}

FILE *qtrace_file() { return traceFile; }

bool qtrace_enabled(unsigned category) {
  return traceFile && (traceMask & category) == category;
}

unsigned qtrace_set_mask(unsigned mask) { return ReplaceMask(mask); }
unsigned qtrace_add_mask(unsigned bits) { return ReplaceMask(traceMask | bits); }
unsigned qtrace_remove_mask(unsigned bits) { return ReplaceMask(traceMask & ~bits); }

int qtrace_set_level(int level) {
  int old = traceLevel;
  traceLevel = level;
  return old;
}

int qtrace_get_level() { return traceLevel; }

void qtrace(const char *format, ...) {
  if (!traceFile) return;
  va_list args;
  va_start(args, format);
  WriteTraceLine(format, args);
  va_end(args);
}

void qtrace_level(int level, const char *format, ...) {
  if (!traceFile || level > traceLevel) return;
  va_list args;
  va_start(args, format);
  WriteTraceLine(format, args);
  va_end(args);
}

void qtrace_enter(const char *className, const char *method, const void *object) {
  if (!traceFile) return;
  WriteCall('>', className, method, object);
  // A forked child shares the file but not the indentation.
  if (getpid() == tracePid) ++traceDepth;
}

void qtrace_leave(const char *className, const char *method, const void *object) {
  if (!traceFile) return;
  if (getpid() == tracePid) --traceDepth;
  WriteCall('<', className, method, object);
}

void qtrace_break(int) {}
