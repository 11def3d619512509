#include "tape_chain.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace kiln::tape {

namespace {

class Bytes {
public:
  explicit Bytes(std::string_view bytes) : bytes(bytes) {}
  long Size() const { return static_cast<long>(bytes.size()); }
  // The 32-bit little-endian number that ends at `end`.
  uint32_t NumberBefore(long end) const {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[end - 4 + i])) << (8 * i);
    return value;
  }
  // That number as an offset; -1 where no tape offset can be (above
  // INT32_MAX, which a 32-bit long would read as negative).
  long OffsetBefore(long end) const {
    const uint32_t value = NumberBefore(end);
    return value <= static_cast<uint32_t>(INT32_MAX) ? static_cast<long>(value) : -1;
  }
  // Whether the name field at `at` holds its terminating zero.
  bool NameEnds(long at) const { return std::memchr(bytes.data() + at, 0, kNameBytes) != nullptr; }
  std::string NameAt(long at) const {
    const long length = std::min(kNameBytes, Size() - at);
    const char *name = bytes.data() + at;
    return std::string(name, strnlen(name, static_cast<std::size_t>(length)));
  }
  // Whether the `length` bytes at `at` look like (the start of) a name
  // field as records are written: some bytes, then zeros only, with a zero
  // within the 32.
  bool LooksLikeName(long at, long length) const {
    length = std::min(length, kNameBytes);
    if (length <= 0 || bytes[at] == 0) return false;
    const long zero = static_cast<long>(strnlen(bytes.data() + at, static_cast<std::size_t>(length)));
    if (zero == kNameBytes) return false;
    for (long i = zero; i < length; ++i)
      if (bytes[at + i] != 0) return false;
    return true;
  }
  // A record that ends at `end` and whose trailing offset leads to a sound
  // record start with a terminated name: its start, or -1.
  long StartOfRecordEndingAt(long end) const {
    if (end < kMinRecord) return -1;
    const long start = OffsetBefore(end);
    return start >= 0 && start <= end - kMinRecord && NameEnds(start) ? start : -1;
  }

private:
  std::string_view bytes;
};

// The records of the chain that ends at `end`, first to last.
std::vector<TapeRecord> ChainEndingAt(const Bytes &bytes, long end, long stop) {
  std::vector<TapeRecord> records;
  while (end > stop) {
    const long start = bytes.OffsetBefore(end);
    records.push_back({start, end, bytes.NameAt(start)});
    end = start;
  }
  std::reverse(records.begin(), records.end());
  return records;
}

// What the bytes from `start` to `end` are, where no sound chain passes.
TapeDamage Name(const Bytes &bytes, long start, long end, bool toTheEnd) {
  const long length = end - start;
  const std::string count = std::to_string(length) + (length == 1 ? " byte" : " bytes");
  if (length < kMinRecord) {
    if (bytes.LooksLikeName(start, length))
      return {start, "record cut short: " + count + ", a record takes at least " + std::to_string(kMinRecord)};
    return {start, count + (toTheEnd ? " after the last record" : " that are no record")};
  }
  const long trailing = bytes.OffsetBefore(end);
  if (trailing == start) return {start, "record name without its terminating zero"};
  if (bytes.LooksLikeName(start, kNameBytes)) {
    return {start, "record '" + Printable(bytes.NameAt(start)) + "' has no trailing offset back to it: the 4 bytes at " +
                       std::to_string(end - 4) + " hold " + std::to_string(bytes.NumberBefore(end)) + (toTheEnd ? " (cut short or damaged)" : " (damaged)")};
  }
  return {start, count + (toTheEnd ? " after the last record" : " that are no record")};
}

}  // namespace

std::string Printable(std::string_view name) {
  std::string printable;
  for (const char c : name) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      printable += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
      printable += escaped;
    }
  }
  return printable;
}

TapeChain WalkTape(std::string_view data) {
  const Bytes bytes(data);
  TapeChain chain;
  chain.size = bytes.Size();
  // Forward: every place a chain from the start ends, with its number of
  // records.
  std::vector<int> records(static_cast<std::size_t>(chain.size) + 1, -1);
  records[0] = 0;
  int most = 0;
  for (long end = kMinRecord; end <= chain.size; ++end) {
    const long start = bytes.StartOfRecordEndingAt(end);
    if (start < 0 || records[static_cast<std::size_t>(start)] < 0) continue;
    const int count = records[static_cast<std::size_t>(end)] = records[static_cast<std::size_t>(start)] + 1;
    if (end < chain.size) most = std::max(most, count);
  }
  // Four zeros read as the offset 0, so a name's padding can end a
  // one-record chain almost anywhere, even at the end of a cut tape: a tape
  // is sound when its whole chain has the most records.
  const bool sound = records[static_cast<std::size_t>(chain.size)] >= most;
  if (sound) {
    chain.records = ChainEndingAt(bytes, chain.size, 0);
    return chain;
  }
  // Back from the end: the ends of the records that still chain, to where
  // the chain breaks.
  std::vector<long> path{chain.size};
  for (long start; (start = bytes.StartOfRecordEndingAt(path.back())) > 0;) path.push_back(start);
  const long broken = path.back() >= 4 ? bytes.OffsetBefore(path.back()) : -1;
  // The sound records are a chain of the most: the one the broken offset
  // names, else one followed by what looks like a name, else the shortest.
  long soundEnd = -1;
  for (long end = 0; end < chain.size; ++end) {
    if (records[static_cast<std::size_t>(end)] != most) continue;
    if (end == broken) {
      soundEnd = end;
      break;
    }
    if (soundEnd < 0 || (!bytes.LooksLikeName(soundEnd, chain.size - soundEnd) &&
                         bytes.LooksLikeName(end, chain.size - end)))
      soundEnd = end;
  }
  chain.records = ChainEndingAt(bytes, soundEnd, 0);
  // The damage runs to the first record end after it that chains to the
  // end of the tape.
  long damageEnd = chain.size;
  for (const long end : path) {
    if (end > soundEnd) damageEnd = end;
  }
  chain.after = ChainEndingAt(bytes, chain.size, damageEnd);
  chain.damage.push_back(Name(bytes, soundEnd, damageEnd, damageEnd == chain.size));
  return chain;
}

}  // namespace kiln::tape
