// The line, token, integer and record readers of QFile on a memory block;
// the first byte chooses a small buffer size.
#include <kiln/qfile.h>
#include <kiln/qstring.h>

#include <cstdint>
#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  if (size < 1) return 0;
  int max = data[0] % 64;
  std::vector<uint8_t> block(data + 1, data + size);
  QFile file("fuzz", block.empty() ? nullptr : block.data(), static_cast<long>(block.size()));
  std::vector<char> buffer(static_cast<size_t>(max) + 1);
  qstring text;
  for (int round = 0; round < 64 && !file.IsEOF(); ++round) {
    switch (round % 6) {
      case 0: file.GetLine(buffer.data(), max); break;
      case 1: file.GetString(buffer.data(), max); break;
      case 2: file.GetString(text); break;
      case 3: file.Read(text); break;
      case 4: {
        int32_t value;
        file.ReadBE32(&value);
        file.UnGetChar(file.GetChar());
        break;
      }
      default: file.FindLine("end"); break;
    }
  }
  file.Seek(static_cast<long>(max) - 32, max % 3);
  file.GetLine(text);
  return 0;
}
