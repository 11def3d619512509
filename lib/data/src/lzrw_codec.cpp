#include "lzrw_codec.h"

#include <cstring>

namespace kiln::lzrw {
namespace {

constexpr uint8_t kCompressed = 0x40;
constexpr uint8_t kStored = 0x80;
constexpr uint16_t kNone = 0xFFFF;
constexpr int kMaxRun = 4095;
constexpr int kMinRun = 16;
constexpr int kMaxOffset = 4095;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
constexpr int kItemsPerControl = 16;

inline unsigned Hash(const uint8_t *p) {
  unsigned key = ((((static_cast<unsigned>(p[0]) << 4) ^ p[1]) << 4) ^ p[2]);
  return ((key * 40543u) >> 4) & 0xFFF;
}

inline void PutControl(uint8_t *at, unsigned control) {
  at[0] = static_cast<uint8_t>(control >> 8);
  at[1] = static_cast<uint8_t>(control);
}

}  // namespace

int Codec::Compress(const uint8_t *in, int length, uint8_t *out) {
  std::memset(hash, 0xFF, sizeof hash);
  uint8_t *const buffer = scratch;
  buffer[0] = kCompressed;
  int controlAt = 1;
  int at = 3;
  unsigned control = 0;
  int items = 0;
  int x = 0;
  // Once the output is longer than the input the chunk will be stored; the
  // scratch buffer leaves room for the last item that crossed that line.
  while (x < length && at <= length) {
    if (items == kItemsPerControl) {
      PutControl(buffer + controlAt, control);
      controlAt = at;
      at += 2;
      control = 0;
      items = 0;
    }
    ++items;
    control <<= 1;

    if (x + 1 < length && in[x] == in[x + 1]) {
      int limit = length - x < kMaxRun ? length - x : kMaxRun;
      int run = 2;
      while (run < limit && in[x + run] == in[x]) ++run;
      if (run >= kMinRun) {
        buffer[at++] = 0;
        buffer[at++] = static_cast<uint8_t>((run - kMinRun) >> 8);
        buffer[at++] = static_cast<uint8_t>(run - kMinRun);
        buffer[at++] = in[x];
        x += run;
        control |= 1;
        continue;
      }
    }

    // Fewer than three bytes left can't start a match: no hash is read
    // beyond the input, and the output is the same.
    if (x + 2 < length) {
      unsigned slot = Hash(in + x);
      int previous = hash[slot];
      hash[slot] = static_cast<uint16_t>(x);
      if (previous != kNone && x - previous <= kMaxOffset) {
        int limit = length - x < kMaxMatch ? length - x : kMaxMatch;
        int match = 0;
        while (match < limit && in[x + match] == in[previous + match]) ++match;
        if (match >= kMinMatch) {
          unsigned item = (static_cast<unsigned>(x - previous) << 4) + static_cast<unsigned>(match - kMinMatch);
          buffer[at++] = static_cast<uint8_t>(item >> 8);
          buffer[at++] = static_cast<uint8_t>(item);
          x += match;
          control |= 1;
          continue;
        }
      }
    }
    buffer[at++] = in[x++];
  }

  if (at > length) {
    out[0] = kStored;
    std::memcpy(out + 1, in, static_cast<std::size_t>(length));
    return length + 1;
  }
  PutControl(buffer + controlAt, control << (kItemsPerControl - items));
  std::memcpy(out, buffer, static_cast<std::size_t>(at));
  return at;
}

int Codec::Decompress(const uint8_t *in, int length, uint8_t *out, int capacity) {
  // Without an output the chunk is only checked and measured.
  const bool counting = out == nullptr;
  if (counting) capacity = 0x7FFFFFFF;
  if (length < 1) return -1;
  if (in[0] == kStored) {
    int stored = length - 1;
    if (stored > capacity) return -1;
    if (!counting) std::memcpy(out, in + 1, static_cast<std::size_t>(stored));
    return stored;
  }
  int at = 1;
  int produced = 0;
  while (at < length) {
    if (at + 2 > length) return -1;  // a control word cut off
    unsigned control = (static_cast<unsigned>(in[at]) << 8) | in[at + 1];
    at += 2;
    for (int item = 0; item < kItemsPerControl && at < length; ++item, control <<= 1) {
      if (!(control & 0x8000)) {
        if (produced == capacity) return -1;
        if (!counting) out[produced] = in[at];
        ++produced;
        ++at;
        continue;
      }
      if (at + 2 > length) return -1;
      unsigned offset = (static_cast<unsigned>(in[at]) << 4) | (in[at + 1] >> 4);
      if (offset != 0) {
        int count = (in[at + 1] & 15) + kMinMatch;
        at += 2;
        if (static_cast<int>(offset) > produced || count > capacity - produced) return -1;
        if (!counting) {
          // Byte by byte: an overlapping copy repeats its pattern.
          const uint8_t *from = out + produced - offset;
          for (int i = 0; i < count; ++i) out[produced + i] = from[i];
        }
        produced += count;
      } else {
        if (at + 4 > length) return -1;
        int count = in[at + 1] * 256 + in[at + 2] + kMinRun;
        if (count > capacity - produced) return -1;
        if (!counting) std::memset(out + produced, in[at + 3], static_cast<std::size_t>(count));
        produced += count;
        at += 4;
      }
    }
  }
  return produced;
}

}  // namespace kiln::lzrw
