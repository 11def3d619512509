/// \file
/// The tracking allocator: every block carries the source position that asked
/// for it, guard words around the user's bytes and a place in the list of
/// live blocks, so that leaks and overwrites can be found and reported.
#pragma once

/// Flags of a block.
enum QAllocFlags : int {
  QALLOC_ZERO = 0x01,    ///< zero-filled
  QALLOC_OBJECT = 0x02,  ///< made for object creation (filled with 0xCC)
  QALLOC_LISTED = 0x08   ///< already listed by a memory report
};

/// Flags of qmem_report().
enum QMemReportFlags : int {
  QMEM_REPORT_NEW = 0x01,  ///< list the blocks not listed before
  QMEM_REPORT_ALL = 0x02   ///< list every block
};

/// A tracked block of `size` bytes asked for at the file and line, with
/// QAllocFlags; null (with a message) when the heap is exhausted.
void *qalloc(int size, const char *file, int line, int flags);
/// A zero-filled tracked block.
void *qcalloc(int size, const char *file, int line);
/// A tracked copy of the text.
char *qstrdup(const char *text, const char *file, int line);
/// As qcalloc(), but ends the process with an abort signal on failure.
void *qcalloc_or_abort(int size, const char *file, int line);
/// Checks the block's guards and frees it; null is ignored.
void qfree(void *pointer);

/// The number of live tracked blocks.
int qmem_count();
/// The bytes of the live tracked blocks.
long long qmem_total();

/// Checks the guards of one block (a pointer qalloc() returned); 1 when
/// damage was found and reported, else 0.
int qcheck_block(void *pointer);
/// Checks the guards of every live block, reporting the damaged ones.
void qcheck_all();
/// Lists live blocks (QMemReportFlags) with their sizes and source
/// positions on the debug output.
void qmem_report(int flags);

/// qalloc() with the caller's source position filled in.
#define QALLOC(size, flags) qalloc((size), __FILE__, __LINE__, (flags))
/// qcalloc() with the caller's source position filled in.
#define QCALLOC(size) qcalloc((size), __FILE__, __LINE__)
/// qstrdup() with the caller's source position filled in.
#define QSTRDUP(text) qstrdup((text), __FILE__, __LINE__)
/// qcalloc_or_abort() with the caller's source position filled in.
#define QCALLOC_OR_ABORT(size) qcalloc_or_abort((size), __FILE__, __LINE__)
