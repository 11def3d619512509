// The tracking allocator: every block carries the source position that asked
// for it, guard words around the user's bytes and a place in the list of
// live blocks, so that leaks and overwrites can be found and reported.
#pragma once

// Flags of a block.
enum QAllocFlags : int {
  QALLOC_ZERO = 0x01,    // zero-filled
  QALLOC_OBJECT = 0x02,  // made for object creation (filled with 0xCC)
  QALLOC_LISTED = 0x08   // already listed by a memory report
};

// Flags of qmem_report().
enum QMemReportFlags : int {
  QMEM_REPORT_NEW = 0x01,  // list the blocks not listed before
  QMEM_REPORT_ALL = 0x02   // list every block
};

void *qalloc(int size, const char *file, int line, int flags);
void *qcalloc(int size, const char *file, int line);
char *qstrdup(const char *text, const char *file, int line);
// As qcalloc(), but ends the process with an abort signal on failure.
void *qcalloc_or_abort(int size, const char *file, int line);
void qfree(void *pointer);

int qmem_count();
long long qmem_total();

// Checks the guards of one block (a pointer qalloc() returned); 1 when
// damage was found and reported, else 0.
int qcheck_block(void *pointer);
void qcheck_all();
void qmem_report(int flags);

// The same, with the caller's source position filled in.
#define QALLOC(size, flags) qalloc((size), __FILE__, __LINE__, (flags))
#define QCALLOC(size) qcalloc((size), __FILE__, __LINE__)
#define QSTRDUP(text) qstrdup((text), __FILE__, __LINE__)
#define QCALLOC_OR_ABORT(size) qcalloc_or_abort((size), __FILE__, __LINE__)
