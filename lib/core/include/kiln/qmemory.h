/// \file
/// Plain heap functions: thin wrappers of the process heap that the library
/// uses for names, paths and buffers.
#pragma once

#include <cstddef>

/// A block of `size` bytes; null when the heap is exhausted.
void *QMalloc(std::size_t size);
/// Zero-filled block.
void *QCalloc(std::size_t size);
/// Zero-filled copy of the text; null when the heap is exhausted.
char *QStrDup(const char *text);
/// Frees a block of these functions; null is ignored.
void QFree(void *block);
