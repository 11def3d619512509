// qdbg, qwarn, qerr, qnote, qout and qfatal: each formats its message and
// sends it to its own set of destinations.
#include <kiln/qdebug.h>
#include <kiln/qexit.h>
#include <kiln/qtrace.h>

#include <cstdio>
#include <cstring>

#include "diag_internal.h"

namespace kiln::diag {
namespace {

QDebugCallback debugCallback = nullptr;
QDebugCallback warningCallback = nullptr;
QDebugCallback errorCallback = nullptr;
QDebugCallback plainCallback = nullptr;
QRemoteSendHook remoteHook = nullptr;

QDebugCallback Replace(QDebugCallback &slot, QDebugCallback callback) {
  QDebugCallback old = slot;
  slot = callback;
  return old;
}

}  // namespace

std::size_t Format(char *buffer, std::size_t size, const char *format, va_list args) {
  int length = std::vsnprintf(buffer, size, format, args);
  if (length < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<std::size_t>(length) < size ? static_cast<std::size_t>(length) : size - 1;
}

void EnsureNewline(char *buffer, std::size_t size) {
  std::size_t length = std::strlen(buffer);
  if (length == 0 || buffer[length - 1] == '\n') return;
  if (length + 1 >= size) length = size - 2;
  buffer[length] = '\n';
  buffer[length + 1] = '\0';
}

void WriteStderr(const char *text) { std::fputs(text, stderr); }

void RemoteSend(const char *text) {
  if (remoteHook) remoteHook(text);
}

}  // namespace kiln::diag

using namespace kiln::diag;

QDebugCallback qdbg_set_callback(QDebugCallback callback) { return Replace(debugCallback, callback); }
QDebugCallback qwarn_set_callback(QDebugCallback callback) { return Replace(warningCallback, callback); }
QDebugCallback qerr_set_callback(QDebugCallback callback) { return Replace(errorCallback, callback); }
QDebugCallback qout_set_callback(QDebugCallback callback) { return Replace(plainCallback, callback); }

QRemoteSendHook qdbg_set_remote_hook(QRemoteSendHook hook) {
  QRemoteSendHook old = remoteHook;
  remoteHook = hook;
  return old;
}

void qdbg(const char *format, ...) {
  char text[kMessageSize];
  KILN_FORMAT_ARGS(text, sizeof text, format);

  if (debugCallback) {
    debugCallback(text);
    return;
  }
  if (MarkStarted()) LogText(QLOG_INFO, kStartLine);
  WriteStderr(text);
  RemoteSend(text);
  if (qtrace_enabled(QTRACE_DEBUG)) qtrace("%s", text);
}

void qwarn(const char *format, ...) {
  char text[kMessageSize];
  KILN_FORMAT_ARGS(text, sizeof text, format);
  EnsureNewline(text, sizeof text);

  if (warningCallback) {
    warningCallback(text);
    return;
  }
  WriteStderr(text);
  if (qlog_get_mask() & QLOG_MASK_WARN) LogText(QLOG_WARN | QLOG_NO_REMOTE | QLOG_NO_STDERR, text);
  if (qtrace_enabled(QTRACE_WARN)) {
    qtrace("%s", text);
    if (qtrace_enabled(QTRACE_BREAK_WARN)) qtrace_break(3);
  }
}

void qerr(const char *format, ...) {
  static constexpr char kPrefix[] = "** Error: ";
  constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
  char text[kMessageSize];
  std::memcpy(text, kPrefix, sizeof kPrefix);
  KILN_FORMAT_ARGS(text + kPrefixLength, sizeof text - kPrefixLength, format);
  EnsureNewline(text, sizeof text);

  if (errorCallback) {
    errorCallback(text);
    return;
  }
  if (qlog_get_mask() & QLOG_MASK_ERR) LogText(QLOG_ERR | QLOG_NO_STDERR, text + kPrefixLength);
  if (qtrace_enabled(QTRACE_ERR)) {
    qtrace("%s", text);
    if (qtrace_enabled(QTRACE_BREAK_ERR)) qtrace_break(3);
  }
}

void qnote(const char *format, ...) {
  if (!(qlog_get_mask() & QLOG_MASK_NOTE)) return;
  char text[kMessageSize];
  KILN_FORMAT_ARGS(text, sizeof text, format);
  LogText(QLOG_INFO, text);
}

void qout(const char *format, ...) {
  char text[kMessageSize];
  KILN_FORMAT_ARGS(text, sizeof text, format);

  if (plainCallback) {
    plainCallback(text);
    return;
  }
  WriteStderr(text);
  if (qlog_get_mask() & QLOG_MASK_OUT) LogText(QLOG_INFO | QLOG_NO_STDERR, text);
  RemoteSend(text);
}

void qfatal(const char *format, ...) {
  char text[kMessageSize];
  KILN_FORMAT_ARGS(text, sizeof text, format);
  LogText(QLOG_FATAL, text);
  // A fatal error is a failure of the process.
  qexit(1);
}
