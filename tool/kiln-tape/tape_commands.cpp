#include "tape_commands.h"

#include <algorithm>

#include "tape_chain.h"

namespace kiln::tape {

namespace {

constexpr long kShownDataBytes = 8;

void PrintRecord(const TapeRecord &record, long number, std::string_view bytes, FILE *out) {
  std::fprintf(out, "%8ld %6ld  %-24s %8ld ", record.offset, number, Printable(record.name).c_str(), record.DataSize());
  const long shown = std::min(record.DataSize(), kShownDataBytes);
  for (long i = 0; i < shown; ++i)
    std::fprintf(out, " %02x", static_cast<unsigned char>(bytes[static_cast<std::size_t>(record.offset + kNameBytes + i)]));
  std::fputs(record.DataSize() > shown ? " ...\n" : "\n", out);
}

std::string Records(long count) { return std::to_string(count) + (count == 1 ? " record" : " records"); }

// Where the data of a record lies: after its name.
std::string_view DataOf(const TapeRecord &record, std::string_view bytes) {
  return bytes.substr(static_cast<std::size_t>(record.offset + kNameBytes), static_cast<std::size_t>(record.DataSize()));
}

}  // namespace

bool ListTape(std::string_view bytes, FILE *out) {
  const TapeChain chain = WalkTape(bytes);
  std::fprintf(out, "%8s %6s  %-24s %8s  %s\n", "offset", "record", "name", "data", "first data bytes");
  long number = 0;
  for (const TapeRecord &record : chain.records) PrintRecord(record, ++number, bytes, out);
  for (const TapeDamage &damage : chain.damage) std::fprintf(out, "%8ld damage: %s\n", damage.offset, damage.what.c_str());
  for (const TapeRecord &record : chain.after) PrintRecord(record, ++number, bytes, out);
  std::fprintf(out, "%s, %ld bytes%s\n", Records(number).c_str(), chain.size, chain.IsSound() ? "" : ", damaged");
  return chain.IsSound();
}

bool CheckTape(const std::string &name, std::string_view bytes, FILE *out) {
  const TapeChain chain = WalkTape(bytes);
  if (chain.IsSound()) {
    std::fprintf(out, "%s: %s, %ld bytes, sound\n", name.c_str(), Records(static_cast<long>(chain.records.size())).c_str(),
                 chain.size);
    return true;
  }
  for (const TapeDamage &damage : chain.damage)
    std::fprintf(out, "%s: offset %ld: %s\n", name.c_str(), damage.offset, damage.what.c_str());
  std::fprintf(out, "%s: the first %s are sound (bytes 0 to %ld)", name.c_str(),
               Records(static_cast<long>(chain.records.size())).c_str(), chain.SoundEnd());
  if (!chain.after.empty()) std::fprintf(out, "; %s after the damage", Records(static_cast<long>(chain.after.size())).c_str());
  std::fputs("\n", out);
  return false;
}

bool CutTape(std::string_view bytes, long count, std::string *kept, std::string *error) {
  const TapeChain chain = WalkTape(bytes);
  const long sound = static_cast<long>(chain.records.size());
  if (count < 0 || count > sound) {
    *error = "it holds " + Records(sound) + (chain.IsSound() ? "" : " before its damage");
    return false;
  }
  const long end = count == 0 ? 0 : chain.records[static_cast<std::size_t>(count - 1)].end;
  kept->assign(bytes.substr(0, static_cast<std::size_t>(end)));
  return true;
}

bool DiffTapes(const std::string &nameA, std::string_view a, const std::string &nameB, std::string_view b,
               FILE *out) {
  const TapeChain chainA = WalkTape(a), chainB = WalkTape(b);
  const std::size_t common = std::min(chainA.records.size(), chainB.records.size());
  for (std::size_t i = 0; i < common; ++i) {
    const TapeRecord &recordA = chainA.records[i], &recordB = chainB.records[i];
    const std::string_view dataA = DataOf(recordA, a), dataB = DataOf(recordB, b);
    if (recordA.name == recordB.name && dataA == dataB) continue;
    std::fprintf(out, "record %zu (offset %ld in %s, %ld in %s): ", i + 1, recordA.offset, nameA.c_str(),
                 recordB.offset, nameB.c_str());
    if (recordA.name != recordB.name) {
      std::fprintf(out, "state '%s', state '%s'\n", Printable(recordA.name).c_str(), Printable(recordB.name).c_str());
    } else {
      const auto [inA, inB] = std::mismatch(dataA.begin(), dataA.end(), dataB.begin(), dataB.end());
      std::fprintf(out, "state '%s', data differ from byte %ld (%ld and %ld data bytes)\n",
                   Printable(recordA.name).c_str(), static_cast<long>(inA - dataA.begin()), recordA.DataSize(),
                   recordB.DataSize());
    }
    return false;
  }
  if (chainA.records.size() != chainB.records.size() || !chainA.IsSound() || !chainB.IsSound()) {
    const auto holds = [](const std::string &name, const TapeChain &chain) {
      return name + (chain.IsSound() ? " holds " : " has, before its damage, ") +
             Records(static_cast<long>(chain.records.size()));
    };
    std::fprintf(out, "%s; %s; the first %ld are the same\n", holds(nameA, chainA).c_str(), holds(nameB, chainB).c_str(),
                 static_cast<long>(common));
    return false;
  }
  std::fprintf(out, "the same %s\n", Records(static_cast<long>(common)).c_str());
  return true;
}

}  // namespace kiln::tape
