// Builds binary files field by field, by their published layouts: integers
// in a stated byte order, floats as their IEEE bit patterns, and lengths
// patched in once what they measure is written.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace kiln::test {

class ByteWriter {
public:
  ByteWriter &U8(uint32_t value) {
    bytes += static_cast<char>(value);
    return *this;
  }
  ByteWriter &LE16(uint32_t value) { return U8(value).U8(value >> 8); }
  ByteWriter &LE32(uint32_t value) { return LE16(value).LE16(value >> 16); }
  ByteWriter &BE16(uint32_t value) { return U8(value >> 8).U8(value); }
  ByteWriter &BE32(uint32_t value) { return BE16(value >> 16).BE16(value); }
  ByteWriter &Float(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return LE32(bits);
  }
  ByteWriter &Text(const std::string &text) {
    bytes += text;
    return *this;
  }
  // A 16-bit little-endian length, then the characters.
  ByteWriter &String(const std::string &text) { return LE16(static_cast<uint32_t>(text.size())).Text(text); }
  ByteWriter &Fill(std::size_t count, char value = '\0') {
    bytes.append(count, value);
    return *this;
  }

  // The position of a 32-bit length to be patched by EndLength(): the bytes
  // written after it.
  std::size_t BeginLength() {
    std::size_t at = bytes.size();
    LE32(0);
    return at;
  }
  ByteWriter &EndLength(std::size_t at) { return PatchLE32(at, static_cast<uint32_t>(bytes.size() - at - 4)); }
  ByteWriter &PatchLE32(std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    return *this;
  }

  std::size_t Size() const { return bytes.size(); }
  const std::string &Bytes() const { return bytes; }

private:
  std::string bytes;
};

}  // namespace kiln::test
