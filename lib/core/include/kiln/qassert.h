/// \file
/// Assertions that report through the error output and show the failing
/// source line.
#pragma once

/// Reports a failed QASSERT at the file and line, with the line itself,
/// through the error output; the program goes on.
void qassert_fail(const char *file, int line);

/// Prints "> " and the given line of a source file through qdbg(); files not
/// found as given are looked for below the library's source directories.
void qshow_source_line(const char *file, int line);

/// Reports through qassert_fail() when the condition is false.
#define QASSERT(condition)                        \
  do {                                            \
    if (!(condition)) qassert_fail(__FILE__, __LINE__); \
  } while (0)
