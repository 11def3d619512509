// Targa files: true colour (raw and run-length) and grey.
#include <kiln/qimage.h>

#include <kiln/qdebug.h>

#include <cstring>
#include <vector>

#include "byte_reader.h"

namespace {

constexpr int kMaxWidth = 4096;

}  // namespace

bool QImage::ReadTGA(const char *fileName) {
  kiln::image::FileBytes bytes;
  if (!kiln::image::ReadWholeFile(fileName, &bytes)) return false;
  kiln::image::ByteReader in(bytes);
  uint32_t idLength, colorMapType, type, width, height, depth, descriptor;
  if (!in.U8(&idLength) || !in.U8(&colorMapType) || !in.U8(&type) || !in.Skip(9) || !in.LE16(&width) ||
      !in.LE16(&height) || !in.U8(&depth) || !in.U8(&descriptor) || !in.Skip(idLength)) {
    qwarn("QImage:ReadTGA(%s); the file is cut short", fileName);
    return false;
  }
  if (width > static_cast<uint32_t>(kMaxWidth)) {
    qwarn("QImage:ReadTGA(%s); too wide (max width=%d)", fileName, kMaxWidth);
    return false;
  }
  if (colorMapType != 0) {
    qwarn("QImage:ReadTGA(%s); colormap is not supported", fileName);
    return false;
  }
  const bool grey = type == 3 && depth == 8;
  const bool trueColor = (type == 2 || type == 10) && (depth == 24 || depth == 32);
  if (!grey && !trueColor) {
    qwarn("QImage:ReadTGA(); no image loader for type %d, pixDepth %d", static_cast<int>(type), static_cast<int>(depth));
    return false;
  }
  const int bytesPerPixel = static_cast<int>(depth / 8);
  // Even run-length rows need a packet for every 128 pixels: a small file
  // can't claim a huge image.
  std::size_t least = type == 10 ? static_cast<std::size_t>(height) * ((width + 127) / 128) * (1 + bytesPerPixel)
                                 : static_cast<std::size_t>(width) * height * bytesPerPixel;
  if (width == 0 || height == 0 || in.Left() < least) {
    qwarn("QImage:ReadTGA(%s); the file is cut short", fileName);
    return false;
  }
  if (!Alloc(32, static_cast<int>(width), static_cast<int>(height), GetFlags())) {
    qwarn("QImage:ReadTGA(); out of memory");
    return false;
  }
  const bool topFirst = descriptor & 0x20;
  const uint8_t *data = in.Here();
  const uint8_t *const end = data + in.Left();
  // One pixel value from the file into red, green, blue, alpha.
  auto put = [&](const uint8_t *s, uint8_t *p) {
    if (grey) {
      p[0] = p[1] = p[2] = p[3] = s[0];
    } else {
      p[0] = s[2];
      p[1] = s[1];
      p[2] = s[0];
      p[3] = bytesPerPixel == 4 ? s[3] : 255;
    }
  };
  for (int fileRow = 0; fileRow < static_cast<int>(height); ++fileRow) {
    int row = topFirst ? static_cast<int>(height) - 1 - fileRow : fileRow;
    uint8_t *p = GetAddress(0, row);
    uint8_t *const rowEnd = p + static_cast<std::size_t>(width) * 4;
    if (type != 10) {
      // The whole image was checked to be there.
      for (; p < rowEnd; p += 4, data += bytesPerPixel) put(data, p);
      continue;
    }
    // A packet that runs past the end of the row is cut there.
    while (p < rowEnd) {
      if (data >= end) return false;
      const uint8_t header = *data++;
      const int count = (header & 0x7F) + 1;
      if (header & 0x80) {
        if (end - data < bytesPerPixel) return false;
        uint8_t pixel[4];
        put(data, pixel);
        data += bytesPerPixel;
        uint32_t value;
        std::memcpy(&value, pixel, 4);
        for (int i = 0; i < count && p < rowEnd; ++i, p += 4) std::memcpy(p, &value, 4);
      } else {
        if (end - data < static_cast<std::ptrdiff_t>(count) * bytesPerPixel) return false;
        for (int i = 0; i < count; ++i, data += bytesPerPixel) {
          if (p < rowEnd) {
            put(data, p);
            p += 4;
          }
        }
      }
    }
  }
  return true;
}
