/// \file
/// The developer trace file: categories chosen by a mask, an optional date,
/// time and process id in front of every line, and indentation that follows
/// qtrace_enter()/qtrace_leave().
#pragma once

#include <cstdio>

#include <kiln/qdebug.h>

/// Bits of the trace mask. 0x01-0x08 are free for the application.
enum QTraceMaskBits : unsigned {
  QTRACE_WARN = 0x10,        ///< warnings are copied to the trace file
  QTRACE_ERR = 0x20,         ///< errors are copied to the trace file
  QTRACE_DEBUG = 0x40,       ///< debug output is copied to the trace file
  QTRACE_DATE = 0x80,        ///< prefix carries the date
  QTRACE_TIME = 0x100,       ///< prefix carries the time
  QTRACE_PID = 0x200,        ///< prefix carries the process id
  QTRACE_BREAK_ERR = 0x400,  ///< an error calls qtrace_break()
  QTRACE_BREAK_WARN = 0x800, ///< a warning calls qtrace_break()
  QTRACE_MASK_DEFAULT = 0x0FFF
};

/// Passed as the object of qtrace_enter()/qtrace_leave() when there is none.
#define QTRACE_NO_OBJECT (reinterpret_cast<const void *>(1))

/// Opens (truncating) the trace file; null closes it. False when it can't be
/// created.
bool qtrace_open(const char *path);
/// The open trace file, or null.
FILE *qtrace_file();

/// A category is enabled when the trace file is open and all its bits are set
/// in the mask; category 0 whenever the file is open.
bool qtrace_enabled(unsigned category);

///@{
/// Replaces, adds to or takes from the mask (QTraceMaskBits); returns the
/// mask before.
unsigned qtrace_set_mask(unsigned mask);
unsigned qtrace_add_mask(unsigned bits);
unsigned qtrace_remove_mask(unsigned bits);
///@}
/// The level up to which qtrace_level() writes (3 at first); returns the
/// level before.
int qtrace_set_level(int level);
/// The level set.
int qtrace_get_level();

/// Writes a printf-formatted line with its prefix while the file is open.
void qtrace(const char *format, ...) KILN_PRINTF(1, 2);
/// The same when `level` is at most the level set.
void qtrace_level(int level, const char *format, ...) KILN_PRINTF(2, 3);
///@{
/// Writes "> class::method (this=0x...)" (or "<" on leaving) and indents the
/// lines between one step further; QTRACE_NO_OBJECT leaves out "this".
void qtrace_enter(const char *className, const char *method, const void *object);
void qtrace_leave(const char *className, const char *method, const void *object);
///@}

/// A place for a debugger breakpoint; does nothing by itself.
void qtrace_break(int code);
