// SGI RGB files: uncompressed or run-length encoded, either byte order.
#include <kiln/qimage.h>

#include <kiln/qdebug.h>

#include <cstring>
#include <vector>

#include "byte_reader.h"

namespace {

constexpr int kMaxWidth = 4096;
constexpr std::size_t kHeaderSize = 512;

uint32_t Swap16(uint32_t v) { return ((v & 0xFF) << 8) | ((v >> 8) & 0xFF); }
uint32_t Swap32(uint32_t v) { return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24); }

}  // namespace

bool QImage::ReadRGB(const char *fileName) {
  kiln::image::FileBytes bytes;
  if (!kiln::image::ReadWholeFile(fileName, &bytes)) return false;
  kiln::image::ByteReader in(bytes);
  // Fields are read as the host (little-endian) stores them; a magic that
  // reads 0xDA01 means the file is big-endian.
  uint32_t magic, storage, dimension, xsize, ysize, zsize;
  if (!in.LE16(&magic) || !in.LE16(&storage) || !in.LE16(&dimension) || !in.LE16(&xsize) || !in.LE16(&ysize) ||
      !in.LE16(&zsize) || !in.Has(108 - 12)) {
    return false;
  }
  bool bigEndian = magic == 0xDA01;
  if (bigEndian) {
    storage = Swap16(storage);
    xsize = Swap16(xsize);
    ysize = Swap16(ysize);
    zsize = Swap16(zsize);
  }
  const int width = static_cast<int>(xsize), height = static_cast<int>(ysize), channels = static_cast<int>(zsize);
  if (width < 1 || height < 1 || width > kMaxWidth) return false;
  // Only one byte per channel is read; two would be taken for pixels.
  if ((storage & 0xFF) != 1) {
    qwarn("QImage::Read: %d bytes per channel in '%s' are not supported", static_cast<int>(storage & 0xFF), fileName);
    return false;
  }
  const bool rle = (storage >> 8) == 1;
  // The data must be there before memory is given to them.
  std::size_t needed = rle ? static_cast<std::size_t>(height) * channels * 8
                           : static_cast<std::size_t>(width) * height * (channels < 4 ? channels : 4);
  if (bytes.size < kHeaderSize + needed) return false;
  if (!Alloc(32, width, height, GetFlags())) return false;

  auto fillChannel = [&](int channel, int row, uint8_t value) {
    uint8_t *p = GetAddress(0, row) + channel;
    for (int x = 0; x < width; ++x, p += 4) *p = value;
  };

  if (!rle) {
    in.Seek(kHeaderSize);
    for (int channel = 0; channel < 4; ++channel) {
      for (int row = 0; row < height; ++row) {
        if (channel >= channels) {
          fillChannel(channel, row, 255);
          continue;
        }
        uint8_t *p = GetAddress(0, row) + channel;
        for (int x = 0; x < width; ++x, p += 4) {
          uint32_t value;
          if (!in.U8(&value)) return false;
          *p = static_cast<uint8_t>(value);
        }
      }
    }
    return true;
  }

  const std::size_t tableSize = static_cast<std::size_t>(height) * channels;
  std::vector<uint32_t> starts(tableSize), lengths(tableSize);
  in.Seek(kHeaderSize);
  for (auto &value : starts) in.LE32(&value);
  for (auto &value : lengths) in.LE32(&value);
  for (int channel = 0; channel < 4; ++channel) {
    for (int row = 0; row < height; ++row) {
      if (channel >= channels) {
        fillChannel(channel, row, 255);
        continue;
      }
      uint32_t start = starts[static_cast<std::size_t>(channel) * height + row];
      uint32_t length = lengths[static_cast<std::size_t>(channel) * height + row];
      if (bigEndian) {
        start = Swap32(start);
        length = Swap32(length);
      }
      // The row is decoded from its own bytes only, and into its own pixels.
      if (start > bytes.size || length > bytes.size - start) {
        qwarn("QImage::Read: rle row outside the file in '%s'", fileName);
        return false;
      }
      kiln::image::ByteReader packets(bytes.data.get() + start, length);
      uint8_t *p = GetAddress(0, row) + channel;
      int x = 0;
      bool more = true;
      while (more && x < width) {
        uint32_t code, value = 0;
        if (!packets.U8(&code) || (code & 0x7F) == 0) break;
        const int count = static_cast<int>(code & 0x7F);
        const bool copy = code & 0x80;
        if (!copy && !packets.U8(&value)) break;
        for (int i = 0; i < count; ++i) {
          if (copy && !packets.U8(&value)) {
            more = false;
            break;
          }
          if (x < width) {
            *p = static_cast<uint8_t>(value);
            p += 4;
            ++x;
          }
        }
      }
    }
  }
  return true;
}
