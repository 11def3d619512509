// MIP files: 4-bit palette images.
#include <kiln/qimage.h>

#include <kiln/qdebug.h>

#include <cstring>
#include <vector>

#include "byte_reader.h"

namespace {

// A colour table block: its size at offset 8 must be 64, the sixteen
// entries (blue, green, red, alpha) follow from offset 12.
bool ReadColorTable(kiln::image::ByteReader &in, uint8_t (&table)[16][4]) {
  uint32_t size;
  if (!in.Skip(8) || !in.LE32(&size)) return false;
  if (size != 64) {
    qwarn("MIP with CMAP size!=64; unexpected");
    return false;
  }
  for (auto &entry : table) {
    uint8_t bgra[4];
    if (!in.Bytes(bgra, 4)) return false;
    entry[0] = bgra[2];
    entry[1] = bgra[1];
    entry[2] = bgra[0];
    entry[3] = bgra[3];
  }
  return in.Skip(76 - 12 - 64);
}

}  // namespace

bool QImage::ReadMIP(const char *fileName) {
  qdbg("QImage:ReadMip(%s)\n", fileName);
  kiln::image::FileBytes bytes;
  if (!kiln::image::ReadWholeFile(fileName, &bytes)) return false;
  kiln::image::ByteReader in(bytes);
  char magic[4];
  if (!in.Bytes(magic, 4) || std::memcmp(magic, "PIM ", 4) != 0) {
    qwarn("MIP image doesn't have correct header");
    return false;
  }
  uint8_t table[16][4] = {};
  uint32_t firstType, imageType, width, height, rowBytes, ignored;
  if (!in.Skip(8 + 12) || !in.U8(&firstType) || !in.LE32(&ignored) || !in.LE32(&ignored) || !in.Skip(11)) return false;
  if ((firstType == 0 || firstType == 1) && !ReadColorTable(in, table)) return false;
  if (!in.Skip(12 + 12) || !in.U8(&imageType) || !in.LE32(&width) || !in.LE32(&height) || !in.LE32(&rowBytes) ||
      !in.Skip(3)) {
    return false;
  }
  if (imageType > 2) {
    qwarn("MIP type %d not yet supported", static_cast<int>(imageType));
    return false;
  }
  if (imageType == 2 && !ReadColorTable(in, table)) return false;
  if (!in.Skip(12)) return false;
  // Every row needs (width + 1) / 2 bytes, and all rows must be there.
  if (width == 0 || height == 0 || width > 0x7FFFFFFE || rowBytes < (width + 1) / 2 ||
      in.Left() / rowBytes < height) {
    qwarn("MIP out of memory while loading pixel data");
    return false;
  }
  if (!Alloc(32, static_cast<int>(width), static_cast<int>(height), 0)) {
    qwarn("QImage:ReadMIP(%s) out of memory", fileName);
    return false;
  }
  for (uint32_t fileRow = 0; fileRow < height; ++fileRow) {
    const uint8_t *s = in.Here() + static_cast<std::size_t>(fileRow) * rowBytes;
    uint8_t *p = GetAddress(0, static_cast<int>(height - 1 - fileRow));
    for (uint32_t x = 0; x < width; ++x, p += 4) {
      uint8_t byte = s[x / 2];
      int index = (x % 2 == 0) ? byte >> 4 : byte & 15;
      std::memcpy(p, table[index], 4);
    }
  }
  return true;
}
