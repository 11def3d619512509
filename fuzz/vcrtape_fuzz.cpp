// Reads arbitrary bytes as a VCR tape of three known states with fixed data
// lengths: opened (the records that follow from the start), walked back to
// its start and played to its end in bounded steps, then recorded onto
// after a step back. kiln-tape's list and check read the same bytes, and
// what they call sound must cut to a sound tape of as many records; the
// tape opens with exactly the records of the walk.
#include <kiln/qvcrtape.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "tape_chain.h"
#include "tape_commands.h"

namespace {

// "S1" has no data, "S2" 4 bytes, "S3" 9.
long DataLength(const char *name) {
  if (std::strcmp(name, "S1") == 0) return 0;
  if (std::strcmp(name, "S2") == 0) return 4;
  if (std::strcmp(name, "S3") == 0) return 9;
  return -1;
}

// The walk's records follow one another from the start, and cutting the
// tape after them leaves a sound tape of those records.
kiln::tape::TapeChain WalkAsKilnTape(std::string_view bytes) {
  static FILE *sink = std::fopen("/dev/null", "w");
  const bool listed = kiln::tape::ListTape(bytes, sink);
  const bool checked = kiln::tape::CheckTape("fuzz", bytes, sink);
  const kiln::tape::TapeChain chain = kiln::tape::WalkTape(bytes);
  if (listed != checked || checked != chain.IsSound()) __builtin_trap();
  long at = 0;
  for (const kiln::tape::TapeRecord &record : chain.records) {
    if (record.offset != at || record.DataSize() < 0) __builtin_trap();
    at = record.end;
  }
  std::string kept, error;
  const long count = static_cast<long>(chain.records.size());
  if (!kiln::tape::CutTape(bytes, count, &kept, &error)) __builtin_trap();
  const kiln::tape::TapeChain cut = kiln::tape::WalkTape(kept);
  if (!cut.IsSound() || static_cast<long>(cut.records.size()) != count) __builtin_trap();
  return chain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  const kiln::tape::TapeChain chain = WalkAsKilnTape(std::string_view(reinterpret_cast<const char *>(data), size));
  static kiln::fuzz::MemoryFile input;
  input.Fill(data, size);
  QVCRTape tape;
  const bool opened = tape.Open(input.Path());
  if (opened != (size == 0 || !chain.records.empty())) __builtin_trap();
  if (!opened) return 0;
  if (tape.GetRecordCount() != static_cast<int>(chain.records.size()) || tape.GetRecordsEnd() != chain.SoundEnd())
    __builtin_trap();
  const QVCRTape::ReadData read = [](const char *name, QFile &file) {
    const long length = DataLength(name);
    char buffer[16];
    return length >= 0 && file.Read(buffer, length) == length;
  };
  const int limit = tape.GetRecordCount() + 2;
  for (int step = 0; step < limit && tape.StepBack(); ++step) {
  }
  for (int step = 0; step < limit && tape.Play(false, read); ++step) {
  }
  if (tape.GetPosition() > tape.GetSize()) __builtin_trap();
  if (tape.StepBack()) tape.Record("S2", [](QFile &file) { file.Write("data", 4); });
  return 0;
}
