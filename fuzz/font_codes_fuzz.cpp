// The font code conversions on arbitrary text, into buffers of every size
// up to the input's: code strings may come from files.
#include <kiln/qfont.h>

#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  if (size < 1) return 0;
  // The first byte sizes the buffers; the rest is the text.
  const int room = data[0];
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  std::unique_ptr<char[]> hex(new char[room > 0 ? room : 1]);
  QFontASCII2QC(text.c_str(), hex.get(), room);
  std::unique_ptr<uint32_t[]> codes(new uint32_t[room / 4 > 0 ? room / 4 : 1]);
  QFontQC2Codes(text.c_str(), codes.get(), room);
  if (room >= 4) QFontQC2Codes(hex.get(), codes.get(), room);
  return 0;
}
