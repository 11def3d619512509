// Windows BMP files: 24-bit colour and 8-bit grey, uncompressed.
#include <kiln/qimage.h>

#include <kiln/qdebug.h>

#include <vector>

#include "byte_reader.h"

bool QImage::ReadBMP(const char *fileName) {
  kiln::image::FileBytes bytes;
  if (!kiln::image::ReadWholeFile(fileName, &bytes)) return false;
  kiln::image::ByteReader in(bytes);
  uint32_t dataOffset, width, height, bits, compression, ignored;
  if (!in.Skip(10) || !in.LE32(&dataOffset) || !in.LE32(&ignored) || !in.LE32(&width) || !in.LE32(&height) ||
      !in.LE16(&ignored) || !in.LE16(&bits) || !in.LE32(&compression)) {
    qwarn("QImage:ReadBMP(); (%s) the file is cut short", fileName);
    return false;
  }
  if ((bits != 24 && bits != 8) || compression != 0) {
    qwarn("QImage:ReadBMP(); unsupported #bits (%d) or compression (%d)", static_cast<int>(bits),
          static_cast<int>(compression));
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
        p[0] = p[1] = p[2] = *s++;
      }
      p[3] = 255;
    }
  }
  return true;
}
