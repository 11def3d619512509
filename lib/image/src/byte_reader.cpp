#include "byte_reader.h"

#include <cstring>

namespace kiln::image {

bool ReadWholeFile(const char *path, std::vector<uint8_t> *bytes) {
  FILE *file = path ? std::fopen(path, "rb") : nullptr;
  if (!file) return false;
  bytes->clear();
  uint8_t block[65536];
  bool ok = true;
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes->insert(bytes->end(), block, block + got);
  if (std::ferror(file)) ok = false;
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
