// Reads arbitrary bytes as a VCR tape of three known states with fixed data
// lengths: opened (the whole chain checked), walked back to its start and
// played to its end in bounded steps, then recorded onto after a step back.
#include <kiln/qvcrtape.h>

#include <cstdint>
#include <cstring>

#include "fuzz_support.h"

namespace {

// "S1" has no data, "S2" 4 bytes, "S3" 9.
long DataLength(const char *name) {
  if (std::strcmp(name, "S1") == 0) return 0;
  if (std::strcmp(name, "S2") == 0) return 4;
  if (std::strcmp(name, "S3") == 0) return 9;
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  static kiln::fuzz::MemoryFile input;
  input.Fill(data, size);
  QVCRTape tape;
  if (!tape.Open(input.Path())) return 0;
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
