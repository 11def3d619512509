// tindle <dir>: lowers the case of every file name below a directory.
#include <kiln/qdebug.h>
#include <kiln/qexit.h>

#include <unistd.h>

#include <cstdio>

#include "rename_tree.h"

int main(int argc, char **argv) {
  // A line a visit: a terminal sees each line at once, anything else gets
  // them in large blocks. Every line is flushed at exit, in order.
  static char errorBuffer[1 << 16];
  std::setvbuf(stderr, errorBuffer, isatty(STDERR_FILENO) ? _IOLBF : _IOFBF, sizeof errorBuffer);

  qdbg("Tindle v1.0 - file names to lower case\n");
  if (argc < 2) {
    qdbg("Usage: tindle <dir>\n");
    qexit(0);
  }
  qdbg("%d files tindled.\n", RenameTree(argv[1]));
  return 0;
}
