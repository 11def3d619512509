// LZRW1-KH: chunks of up to 16384 bytes, each compressed on its own with a
// 4096-slot hash table, 12-bit offsets and run-length items.
#pragma once

#include <cstdint>

namespace kiln::lzrw {

constexpr int kMaxChunk = 16384;        // input of one chunk
constexpr int kMaxCompressed = 20000;   // a compressed chunk, as stored
constexpr int kOutputSize = 16388;      // the decoder's output buffer

class Codec {
public:
  // Encodes 1..16384 bytes into `out`, which holds at least length + 1
  // bytes; returns the encoded length (at most length + 1).
  int Compress(const uint8_t *in, int length, uint8_t *out);

  // Decodes a chunk of `length` bytes into at most `capacity` bytes of
  // `out`; returns the decoded length, or -1 when the chunk is damaged or
  // would not fit. With a null `out` it only checks and measures the chunk.
  static int Decompress(const uint8_t *in, int length, uint8_t *out, int capacity);

private:
  uint16_t hash[4096];
  uint8_t scratch[kMaxChunk + 2 * 64 + 8];  // a whole group beyond the input's length
};

}  // namespace kiln::lzrw
