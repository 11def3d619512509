// Plain heap functions: thin wrappers of the process heap that the library
// uses for names, paths and buffers.
#pragma once

#include <cstddef>

void *QMalloc(std::size_t size);
// Zero-filled block.
void *QCalloc(std::size_t size);
// Zero-filled copy of the text; null when the heap is exhausted.
char *QStrDup(const char *text);
void QFree(void *block);
