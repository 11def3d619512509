// State and helpers shared by the diagnostic outputs, the level log and the
// trace file.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace kiln::diag {

// Size of the buffer every message is formatted in, terminator included.
constexpr std::size_t kMessageSize = 10240;

// Formats into `buffer`, cutting what does not fit; returns the length.
std::size_t Format(char *buffer, std::size_t size, const char *format, va_list args);

// Formats the variable arguments of the enclosing printf-like function.
#define KILN_FORMAT_ARGS(buffer, size, format)                   \
  do {                                                           \
    va_list kilnArgs;                                            \
    va_start(kilnArgs, format);                                  \
    kiln::diag::Format(buffer, size, format, kilnArgs);          \
    va_end(kilnArgs);                                            \
  } while (0)
// Appends a newline to non-empty text that doesn't end with one, replacing
// the last character when the buffer is full.
void EnsureNewline(char *buffer, std::size_t size);

void WriteStderr(const char *text);
// Hands the text to the remote output, if one is registered.
void RemoteSend(const char *text);

// The line that opens the output of every process.
constexpr const char *kStartLine = "--- application start ---";
// Marks the start line as written; true the first time only.
bool MarkStarted();

// The level log writer on text that is already formatted.
void LogText(int flags, const char *text);

// Where the console output goes ("/dev/console"); tests point it elsewhere.
void SetConsolePath(const char *path);

}  // namespace kiln::diag
