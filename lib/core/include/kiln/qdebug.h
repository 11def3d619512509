/// \file
/// Diagnostic outputs: debug, warning, error, notice, plain and fatal text,
/// mirrored to standard error, the level log "QLOG.txt", the console, an
/// optional callback and an optional remote output.
#pragma once

#include <cstdio>

/// Lets the compiler check printf-style arguments.
#define KILN_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

/// Flags of qlog(): the level, then destinations to skip.
enum QLogFlags : int {
  QLOG_ERR = 0x01,        ///< level ERR
  QLOG_WARN = 0x02,       ///< level WARN
  QLOG_CRIT = 0x04,       ///< level CRIT
  QLOG_NOTE = 0x08,       ///< level NOTE
  QLOG_INFO = 0x10,       ///< level INFO
  QLOG_FATAL = 0x40,      ///< level FATAL
  QLOG_NO_REMOTE = 0x80,  ///< skip the console and the remote output
  QLOG_NO_STDERR = 0x100  ///< skip standard error
};

/// Bits of the log mask: which outputs are mirrored into the level log.
enum QLogMaskBits : unsigned {
  QLOG_MASK_OUT = 0x01,   ///< qout text also goes to the log (INFO)
  QLOG_MASK_ERR = 0x02,   ///< qerr text goes to the log (ERR)
  QLOG_MASK_WARN = 0x04,  ///< qwarn text also goes to the log (WARN)
  QLOG_MASK_NOTE = 0x08,  ///< qnote is enabled
  QLOG_MASK_DEFAULT = 0x0E
};

/// Receives the finished text of one message.
using QDebugCallback = void (*)(const char *text);

/// Debug text (printf-formatted): to its callback when one is set, else
/// standard error, the remote output and the trace file. The first output
/// of the process puts "--- application start ---" into the log first.
void qdbg(const char *format, ...) KILN_PRINTF(1, 2);
/// A warning, ended by a newline: to its callback, else standard error, the
/// log (WARN) and the trace file.
void qwarn(const char *format, ...) KILN_PRINTF(1, 2);
/// An error, "** Error: " in front and ended by a newline: to its callback,
/// else the log (ERR), the console and the trace file.
void qerr(const char *format, ...) KILN_PRINTF(1, 2);
/// A notice for the log (INFO), while QLOG_MASK_NOTE is set.
void qnote(const char *format, ...) KILN_PRINTF(1, 2);
/// Plain text: to its callback, else standard error and the remote output
/// (and the log with QLOG_MASK_OUT).
void qout(const char *format, ...) KILN_PRINTF(1, 2);
/// Logs the text (FATAL) and ends the process through qexit(1).
[[noreturn]] void qfatal(const char *format, ...) KILN_PRINTF(1, 2);
/// A line of the level log with the level and destinations of `flags`
/// (QLogFlags).
void qlog(int flags, const char *format, ...) KILN_PRINTF(2, 3);

///@{
/// Each installs a callback (null removes it) and returns the previous one.
/// A callback takes the whole message instead of the usual destinations.
QDebugCallback qdbg_set_callback(QDebugCallback callback);
QDebugCallback qwarn_set_callback(QDebugCallback callback);
QDebugCallback qerr_set_callback(QDebugCallback callback);
QDebugCallback qout_set_callback(QDebugCallback callback);
///@}

/// Sets the log mask (QLogMaskBits); returns the previous mask.
unsigned qlog_set_mask(unsigned mask);
/// The log mask.
unsigned qlog_get_mask();

/// "QLOG.txt" opened for reading at the start of its last line (at its end
/// when it ends with a newline), or null. The caller closes it.
FILE *qlog_open_tail();

// Hooks through which higher layers join the outputs.

/// The remote output: receives every remote send (zero-terminated text).
using QRemoteSendHook = void (*)(const char *text);
/// Installs the remote output's hook (the network layer does); returns the
/// one before.
QRemoteSendHook qdbg_set_remote_hook(QRemoteSendHook hook);

/// The application name for log lines; "noqapp" while it is unset or
/// returns null.
using QAppNameHook = const char *(*)();
/// Installs the hook naming the application (QApp does); returns the one
/// before.
QAppNameHook qlog_set_app_name_hook(QAppNameHook hook);
