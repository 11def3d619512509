#include "byte_reader.h"

#include <sys/stat.h>

#include <cstring>
#include <new>

namespace kiln::image {

bool ReadWholeFile(const char *path, FileBytes *bytes) {
  FILE *file = path ? std::fopen(path, "rb") : nullptr;
  if (!file) return false;
  // One read of the size the file has, without clearing the memory first.
  struct stat status;
  std::size_t size = fstat(fileno(file), &status) == 0 && status.st_size > 0 ? static_cast<std::size_t>(status.st_size) : 0;
  bytes->data.reset(new (std::nothrow) uint8_t[size + 1]);
  bytes->size = bytes->data ? std::fread(bytes->data.get(), 1, size, file) : 0;
  bool ok = bytes->data && !std::ferror(file);
  std::fclose(file);
  return ok;
}

bool ByteReader::Bytes(void *out, std::size_t count) {
  if (!Has(count)) return false;
  std::memcpy(out, data + at, count);
  at += count;
  return true;
}

bool ByteReader::Number(int width, bool bigEndian, uint32_t *value) {
  *value = 0;
  if (!Has(static_cast<std::size_t>(width))) return false;
  for (int i = 0; i < width; ++i) {
    uint32_t byte = data[at + static_cast<std::size_t>(bigEndian ? i : width - 1 - i)];
    *value = (*value << 8) | byte;
  }
  at += static_cast<std::size_t>(width);
  return true;
}

}  // namespace kiln::image
