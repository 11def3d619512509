// Windows BMP files: 24-bit colour and 8-bit palette, uncompressed.
#include <kiln/qimage.h>

#include <kiln/qdebug.h>

#include "byte_reader.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;

// The colour table of an 8-bit file, as RGB triples. A file without one
// (its pixel data right after the headers) reads its indices as grey levels.
struct Palette {
  uint8_t rgb[256][3];
  uint32_t count = 256;
};

bool ReadPalette(kiln::image::ByteReader &in, uint32_t infoSize, uint32_t colorsUsed, uint32_t dataOffset,
                 Palette *palette) {
  const uint32_t tableStart = kFileHeaderSize + infoSize;
  if (infoSize < 40 || dataOffset <= tableStart) {
    for (int i = 0; i < 256; ++i) palette->rgb[i][0] = palette->rgb[i][1] = palette->rgb[i][2] = static_cast<uint8_t>(i);
    return true;
  }
  palette->count = colorsUsed == 0 ? 256 : colorsUsed;
  // Entries of blue, green, red and a reserved byte, between the headers and
  // the pixel data.
  if (palette->count > 256 || (dataOffset - tableStart) / 4 < palette->count || !in.Seek(tableStart)) return false;
  for (uint32_t i = 0; i < palette->count; ++i) {
    uint32_t blue, green, red, reserved;
    if (!in.U8(&blue) || !in.U8(&green) || !in.U8(&red) || !in.U8(&reserved)) return false;
    palette->rgb[i][0] = static_cast<uint8_t>(red);
    palette->rgb[i][1] = static_cast<uint8_t>(green);
    palette->rgb[i][2] = static_cast<uint8_t>(blue);
  }
  return true;
}

}  // namespace

bool QImage::ReadBMP(const char *fileName) {
  kiln::image::FileBytes bytes;
  if (!kiln::image::ReadWholeFile(fileName, &bytes)) return false;
  kiln::image::ByteReader in(bytes);
  uint32_t dataOffset, infoSize, width, height, bits, compression, ignored, colorsUsed;
  if (!in.Skip(10) || !in.LE32(&dataOffset) || !in.LE32(&infoSize) || !in.LE32(&width) || !in.LE32(&height) ||
      !in.LE16(&ignored) || !in.LE16(&bits) || !in.LE32(&compression) || !in.Skip(12) || !in.LE32(&colorsUsed)) {
    qwarn("QImage:ReadBMP(); (%s) the file is cut short", fileName);
    return false;
  }
  if ((bits != 24 && bits != 8) || compression != 0) {
    qwarn("QImage:ReadBMP(); unsupported #bits (%d) or compression (%d)", static_cast<int>(bits),
          static_cast<int>(compression));
    return false;
  }
  Palette palette;
  if (bits == 8 && !ReadPalette(in, infoSize, colorsUsed, dataOffset, &palette)) {
    qwarn("QImage:ReadBMP(); (%s) the colour table does not fit the file", fileName);
    return false;
  }
  // Rows are padded to four bytes; all of them must be in the file.
  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * (bits / 8)) + 3) & ~static_cast<std::size_t>(3);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF || !in.Seek(dataOffset) ||
      in.Left() / rowBytes < height) {
    qwarn("QImage:ReadBMP(); (%s) the file is cut short", fileName);
    return false;
  }
  if (!Alloc(32, static_cast<int>(width), static_cast<int>(height), 0)) {
    qwarn("QImage:ReadBMP(); (%s) out of memory", fileName);
    return false;
  }
  for (int row = 0; row < static_cast<int>(height); ++row) {
    const uint8_t *s = in.Here() + static_cast<std::size_t>(row) * rowBytes;
    uint8_t *p = GetAddress(0, row);
    for (uint32_t x = 0; x < width; ++x, p += 4) {
      if (bits == 24) {
        p[0] = s[2];
        p[1] = s[1];
        p[2] = s[0];
        s += 3;
      } else {
        const uint32_t index = *s++;
        if (index >= palette.count) {
          qwarn("QImage:ReadBMP(); (%s) colour index %u lies beyond the table of %u", fileName, index, palette.count);
          FreeMem();
          return false;
        }
        p[0] = palette.rgb[index][0];
        p[1] = palette.rgb[index][1];
        p[2] = palette.rgb[index][2];
      }
      p[3] = 255;
    }
  }
  return true;
}
