// Targa files: true colour (raw and run-length) and grey.
#include <kiln/qimage.h>

#include <kiln/qdebug.h>

#include <vector>

#include "byte_reader.h"

namespace {

constexpr int kMaxWidth = 4096;

}  // namespace

bool QImage::ReadTGA(const char *fileName) {
  std::vector<uint8_t> bytes;
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
  auto readPixel = [&](uint8_t *p) {
    uint32_t b, g, r, a = 255;
    if (grey) {
      if (!in.U8(&b)) return false;
      p[0] = p[1] = p[2] = p[3] = static_cast<uint8_t>(b);
      return true;
    }
    if (!in.U8(&b) || !in.U8(&g) || !in.U8(&r) || (bytesPerPixel == 4 && !in.U8(&a))) return false;
    p[0] = static_cast<uint8_t>(r);
    p[1] = static_cast<uint8_t>(g);
    p[2] = static_cast<uint8_t>(b);
    p[3] = static_cast<uint8_t>(a);
    return true;
  };
  for (int fileRow = 0; fileRow < static_cast<int>(height); ++fileRow) {
    int row = topFirst ? static_cast<int>(height) - 1 - fileRow : fileRow;
    uint8_t *p = GetAddress(0, row);
    uint8_t *end = p + static_cast<std::size_t>(width) * 4;
    if (type != 10) {
      for (; p < end; p += 4) {
        if (!readPixel(p)) return false;
      }
      continue;
    }
    // A packet that runs past the end of the row is cut there.
    while (p < end) {
      uint32_t header;
      if (!in.U8(&header)) return false;
      int count = static_cast<int>(header & 0x7F) + 1;
      if (header & 0x80) {
        uint8_t pixel[4];
        if (!readPixel(pixel)) return false;
        for (int i = 0; i < count && p < end; ++i, p += 4) std::copy(pixel, pixel + 4, p);
      } else {
        for (int i = 0; i < count; ++i) {
          uint8_t pixel[4];
          if (!readPixel(pixel)) return false;
          if (p < end) {
            std::copy(pixel, pixel + 4, p);
            p += 4;
          }
        }
      }
    }
  }
  return true;
}
