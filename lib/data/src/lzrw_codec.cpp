#include "lzrw_codec.h"

#include <cstring>

namespace kiln::lzrw {
namespace {

constexpr uint8_t kCompressed = 0x40;
constexpr uint8_t kStored = 0x80;
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

inline uint64_t Load64(const uint8_t *p) {
  uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// How many bytes at `a` equal those at `b`, at most `limit`; eight at a time
// while eight remain.
inline int CommonLength(const uint8_t *a, const uint8_t *b, int limit) {
  int length = 0;
  while (length + 8 <= limit) {
    uint64_t difference = Load64(a + length) ^ Load64(b + length);
    if (difference) return length + (__builtin_ctzll(difference) >> 3);
    length += 8;
  }
  while (length < limit && a[length] == b[length]) ++length;
  return length;
}

inline void PutControl(uint8_t *at, unsigned control) {
  at[0] = static_cast<uint8_t>(control >> 8);
  at[1] = static_cast<uint8_t>(control);
}

}  // namespace

int Codec::Compress(const uint8_t *in, int length, uint8_t *out) {
  std::memset(hash, 0xFF, sizeof hash);  // every slot "none": 0xFFFF
  uint8_t *const start = scratch;
  // Beyond this the output is longer than the input: the chunk is stored.
  uint8_t *const full = scratch + length;
  uint8_t *o = start;
  *o++ = kCompressed;
  int x = 0;
  // A group is a control word and the (up to) 16 items it describes. The
  // scratch buffer leaves room for the group that crosses `full`.
  while (x < length && o <= full) {
    uint8_t *const controlAt = o;
    o += 2;
    unsigned control = 0;
    int items = 0;
    for (; items < kItemsPerControl && x < length; ++items) {
      control <<= 1;
      const uint8_t byte = in[x];
      // Only a run of 16 or more becomes a run item, so a run is counted
      // only when the next 16 bytes are all the same.
      const uint64_t repeated = byte * 0x0101010101010101ull;
      if (x + kMinRun <= length && Load64(in + x) == repeated && Load64(in + x + 8) == repeated) {
        int limit = length - x < kMaxRun ? length - x : kMaxRun;
        // The run is what the bytes share with themselves one place on.
        int run = 1 + CommonLength(in + x + 1, in + x, limit - 1);
        {  // at least 16
          o[0] = 0;
          o[1] = static_cast<uint8_t>((run - kMinRun) >> 8);
          o[2] = static_cast<uint8_t>(run - kMinRun);
          o[3] = byte;
          o += 4;
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
        // One test for both "none" (0xFFFF lies above every position, so the
        // difference wraps) and "too far back".
        if (static_cast<unsigned>(x - previous) <= static_cast<unsigned>(kMaxOffset) && in[previous] == byte) {
          int limit = length - x < kMaxMatch ? length - x : kMaxMatch;
          int match = CommonLength(in + x, in + previous, limit);
          if (match >= kMinMatch) {
            unsigned item = (static_cast<unsigned>(x - previous) << 4) + static_cast<unsigned>(match - kMinMatch);
            o[0] = static_cast<uint8_t>(item >> 8);
            o[1] = static_cast<uint8_t>(item);
            o += 2;
            x += match;
            control |= 1;
            continue;
          }
        }
      }
      *o++ = byte;
      ++x;
    }
    PutControl(controlAt, control << (kItemsPerControl - items));
  }

  if (o > full) {
    out[0] = kStored;
    std::memcpy(out + 1, in, static_cast<std::size_t>(length));
    return length + 1;
  }
  int size = static_cast<int>(o - start);
  std::memcpy(out, start, static_cast<std::size_t>(size));
  return size;
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
    if (control == 0 && length - at >= kItemsPerControl && capacity - produced >= kItemsPerControl) {
      // Sixteen literals: one copy.
      if (!counting) std::memcpy(out + produced, in + at, kItemsPerControl);
      produced += kItemsPerControl;
      at += kItemsPerControl;
      continue;
    }
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
          const uint8_t *from = out + produced - offset;
          if (static_cast<int>(offset) >= count) {
            std::memcpy(out + produced, from, static_cast<std::size_t>(count));
          } else {
            // Byte by byte: an overlapping copy repeats its pattern.
            for (int i = 0; i < count; ++i) out[produced + i] = from[i];
          }
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
