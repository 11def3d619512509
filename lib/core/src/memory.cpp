// Plain heap functions.
#include <kiln/qmemory.h>

#include <cstdlib>
#include <cstring>

void *QMalloc(std::size_t size) { return std::malloc(size); }

void *QCalloc(std::size_t size) { return std::calloc(1, size); }

char *QStrDup(const char *text) {
  std::size_t size = std::strlen(text) + 1;
  char *copy = static_cast<char *>(QCalloc(size));
  if (copy) std::memcpy(copy, text, size);
  return copy;
}

void QFree(void *block) { std::free(block); }
