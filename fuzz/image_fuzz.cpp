// One image reader (KILN_FUZZ_READER) on arbitrary bytes in a memory file;
// then the pixel memory is walked from end to end (sparsely: the walk is
// for the address checker, not for coverage).
#include <kiln/qimage.h>

#include <cstdint>
#include <cstring>

#ifndef KILN_FUZZ_READER
#error "KILN_FUZZ_READER names the reader"
#endif

#include "fuzz_support.h"

namespace {

// Images of more pixels take the same paths as smaller ones, only longer:
// where a format names its size up front, larger ones are left out, so that
// the time goes into new paths.
constexpr long kMaxPixels = 1L << 16;

long BigEndian16(const uint8_t *at) { return at[0] << 8 | at[1]; }
long LittleEndian16(const uint8_t *at) { return at[1] << 8 | at[0]; }

bool SmallEnough(const uint8_t *data, size_t size) {
  const char *reader = KILN_FUZZ_READER_NAME;
  if (std::strcmp(reader, "ReadRGB") == 0 && size >= 12) {
    // Width, height and channels, in the byte order the magic number tells:
    // every pixel is written in four channels, and each row of each channel
    // has its entry in the run-length tables.
    auto number = data[0] == 0x01 ? BigEndian16 : LittleEndian16;
    return number(data + 6) * number(data + 8) <= kMaxPixels && number(data + 8) * number(data + 10) <= kMaxPixels;
  }
  if (std::strcmp(reader, "ReadJPG") == 0) {
    // Every start-of-frame marker: height and width after its length and precision.
    for (size_t i = 0; i + 9 <= size; ++i) {
      const uint8_t marker = data[i + 1];
      if (data[i] != 0xFF || marker < 0xC0 || marker > 0xCF || marker == 0xC4 || marker == 0xC8 || marker == 0xCC) {
        continue;
      }
      if (BigEndian16(data + i + 5) * BigEndian16(data + i + 7) > kMaxPixels) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  if (!SmallEnough(data, size)) return 0;
  static kiln::fuzz::MemoryFile input;
  input.Fill(data, size);
  QImage image(nullptr);
  if (image.KILN_FUZZ_READER(input.Path()) && image.GetBuffer()) {
    unsigned sum = 0;
    for (int i = 0; i < image.GetBufferSize(); i += 97) sum += image.GetBuffer()[i];
    sum += image.GetBuffer()[image.GetBufferSize() - 1];
    (void)sum;
  }
  return 0;
}
