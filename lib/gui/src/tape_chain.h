// A VCR tape's records as they lie in its bytes, found without knowing the
// program that wrote them: each record is a 32-byte name, the program's
// data and the record's own start as a 32-bit little-endian offset, so the
// records chain back from the end to the start. Damaged tapes are read as
// far as they hold, from both ends, and the damage named.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiln::tape {

constexpr long kNameBytes = 32;
constexpr long kMinRecord = kNameBytes + 4;

struct TapeRecord {
  long offset = 0;  // where the record starts
  long end = 0;     // where the next one starts
  std::string name;  // its name field up to the first zero
  long DataSize() const { return end - offset - kMinRecord; }
};

struct TapeDamage {
  long offset = 0;   // where it starts
  std::string what;  // what is wrong there
};

struct TapeChain {
  std::vector<TapeRecord> records;  // the sound records from the start
  std::vector<TapeDamage> damage;   // empty for a sound tape
  std::vector<TapeRecord> after;    // the sound records after the damage, to the end
  long size = 0;
  bool IsSound() const { return damage.empty(); }
  // Where the sound records from the start end.
  long SoundEnd() const { return records.empty() ? 0 : records.back().end; }
};

// Walks the chain forward (every place a sound chain from the start can
// end) and back from the end, and names what lies between.
TapeChain WalkTape(std::string_view bytes);

// The name as it can be printed: bytes outside printable ASCII as \xNN.
std::string Printable(std::string_view name);

}  // namespace kiln::tape
