// Bounds-checked reading of the bytes of a whole file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace kiln::image {

// The bytes of a whole file.
struct FileBytes {
  std::unique_ptr<uint8_t[]> data;
  std::size_t size = 0;
};

// The whole file, or false when it can't be opened or read.
bool ReadWholeFile(const char *path, FileBytes *bytes);

class ByteReader {
public:
  ByteReader(const uint8_t *data, std::size_t size) : data(data), size(size) {}
  explicit ByteReader(const std::vector<uint8_t> &bytes) : data(bytes.data()), size(bytes.size()) {}
  explicit ByteReader(const FileBytes &bytes) : data(bytes.data.get()), size(bytes.size) {}

  bool Has(std::size_t count) const { return at <= size && size - at >= count; }
  bool Seek(std::size_t offset) {
    if (offset > size) return false;
    at = offset;
    return true;
  }
  bool Skip(std::size_t count) {
    if (!Has(count)) return false;
    at += count;
    return true;
  }
  std::size_t Position() const { return at; }
  std::size_t Left() const { return at <= size ? size - at : 0; }
  const uint8_t *Here() const { return data + at; }

  // Each is false (the value 0) when the data end first.
  // Inline: run-length decoders call it for every code byte.
  bool U8(uint32_t *value) {
    if (at >= size) {
      *value = 0;
      return false;
    }
    *value = data[at++];
    return true;
  }
  bool LE16(uint32_t *value) { return Number(2, false, value); }
  bool LE32(uint32_t *value) { return Number(4, false, value); }
  bool BE16(uint32_t *value) { return Number(2, true, value); }
  bool BE32(uint32_t *value) { return Number(4, true, value); }
  bool Bytes(void *out, std::size_t count);

private:
  bool Number(int width, bool bigEndian, uint32_t *value);

  const uint8_t *data;
  std::size_t size;
  std::size_t at = 0;
};

}  // namespace kiln::image
