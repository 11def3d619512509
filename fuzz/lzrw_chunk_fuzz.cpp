// DecompressChunk() on raw bytes, into buffers of every size up to the
// codec's own; and the encoder on the same bytes, which must decode back.
#include <kiln/qarchive.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static QArchive *archive = new QArchive("/dev/null", AR_CREATE);
  if (size < 1 || size > 20000) return 0;
  int capacity = 16388 - data[0] * 64;
  std::vector<uint8_t> out(static_cast<size_t>(capacity));
  archive->DecompressChunk(data, out.data(), static_cast<int>(size), capacity);

  if (size <= 16384) {
    std::vector<uint8_t> encoded(size + 1), decoded(size);
    int length = archive->CompressChunk(data, encoded.data(), static_cast<int>(size));
    if (length < 1 || length > static_cast<int>(size) + 1) std::abort();
    int back = archive->DecompressChunk(encoded.data(), decoded.data(), length, static_cast<int>(size));
    if (back != static_cast<int>(size) || std::memcmp(decoded.data(), data, size) != 0) std::abort();
  }
  return 0;
}
