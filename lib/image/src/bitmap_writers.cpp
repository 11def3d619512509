// Writing bitmaps as Targa, SGI RGB and JPEG files.
#include <kiln/qbitmap.h>

#include <kiln/qdebug.h>
#include <kiln/qutil.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "jpeg_error.h"

namespace {

constexpr int kMaxRowPixels = 4096;
constexpr int kMax16 = 0xFFFF;

void PutLE16(unsigned char *at, int value) {
  at[0] = static_cast<unsigned char>(value);
  at[1] = static_cast<unsigned char>(value >> 8);
}

void PutLE32(unsigned char *at, uint32_t value) {
  PutLE16(at, static_cast<int>(value & 0xFFFF));
  PutLE16(at + 2, static_cast<int>(value >> 16));
}

// A file that reports every failed write and a failed close.
class OutputFile {
public:
  explicit OutputFile(const char *path) : file(std::fopen(path, "wb")) {}
  ~OutputFile() {
    if (file) std::fclose(file);
  }
  bool IsOpen() const { return file != nullptr; }
  void Write(const void *data, std::size_t size) {
    if (ok && std::fwrite(data, 1, size, file) != size) ok = false;
  }
  bool Close() {
    bool closed = std::fclose(file) == 0;
    file = nullptr;
    return ok && closed;
  }

private:
  FILE *file;
  bool ok = true;
};

}  // namespace

bool QBitMap::Write(const char *path, int format, int quality) {
  const char *expanded = QExpandFilename(path);
  switch (format) {
    case QBM_FORMAT_RGB: return WriteRGB(expanded);
    case QBM_FORMAT_TGA: return WriteTGA(expanded, 1);
    case QBM_FORMAT_TGA_GRAY: return WriteTGA(expanded, 2);
    case QBM_FORMAT_JPG: return WriteJPG(expanded, quality);
    default:
      qwarn("QBitMap:Write(); unsupported format %d to write '%s'", format, path);
      return false;
  }
}

bool QBitMap::WriteTGA(const char *path, int type) {
  if (GetWidth() > kMaxRowPixels) {
    qerr("QBitMap:WriteTGA(); image too wide");
    return false;
  }
  if (!Is32("WriteTGA")) return false;
  if (GetHeight() > kMax16) {
    qerr("QBitMap:WriteTGA(); image too high (max %d)", kMax16);
    return false;
  }
  OutputFile out(path);
  if (!out.IsOpen()) return false;
  unsigned char header[18] = {};
  header[2] = type == 2 ? 3 : 2;
  PutLE16(header + 12, GetWidth());
  PutLE16(header + 14, GetHeight());
  header[16] = type == 2 ? 8 : 32;
  header[17] = 8;
  out.Write(header, sizeof header);
  if (type != 1 && type != 2) {
    qerr("QBitMap::WriteTGA() unsupported format %d", type);
    out.Close();
    return false;
  }
  unsigned char row[kMaxRowPixels * 4];
  for (int y = 0; y < GetHeight(); ++y) {
    const uint8_t *p = GetAddress(0, y);
    if (type == 1) {
      for (int x = 0; x < GetWidth(); ++x, p += 4) {
        row[x * 4] = p[2];
        row[x * 4 + 1] = p[1];
        row[x * 4 + 2] = p[0];
        row[x * 4 + 3] = p[3];
      }
      out.Write(row, static_cast<std::size_t>(GetWidth()) * 4);
    } else {
      for (int x = 0; x < GetWidth(); ++x, p += 4) row[x] = p[0];
      out.Write(row, static_cast<std::size_t>(GetWidth()));
    }
  }
  if (!out.Close()) {
    qerr("QBitMap:WriteTGA(); can't write '%s'", path);
    return false;
  }
  return true;
}

bool QBitMap::WriteRGB(const char *path) {
  if (GetWidth() > kMaxRowPixels) {
    qerr("QBitMap:Write; image too wide");
    return false;
  }
  if (!Is32("WriteRGB")) return false;
  if (GetHeight() > kMax16) {
    qerr("QBitMap:Write; image too high (max %d)", kMax16);
    return false;
  }
  OutputFile out(path);
  if (!out.IsOpen()) return false;
  unsigned char header[512] = {};
  PutLE16(header, 474);
  PutLE16(header + 2, 1);
  PutLE16(header + 4, 3);
  PutLE16(header + 6, GetWidth());
  PutLE16(header + 8, GetHeight());
  PutLE16(header + 10, 4);
  PutLE32(header + 12, 0);
  PutLE32(header + 16, 255);
  std::strncpy(reinterpret_cast<char *>(header + 24), path, 79);
  out.Write(header, sizeof header);
  unsigned char row[kMaxRowPixels];
  for (int channel = 0; channel < 4; ++channel) {
    for (int y = 0; y < GetHeight(); ++y) {
      const uint8_t *p = GetAddress(0, y);
      for (int x = 0; x < GetWidth(); ++x) row[x] = p[x * 4 + channel];
      out.Write(row, static_cast<std::size_t>(GetWidth()));
    }
  }
  if (!out.Close()) {
    qerr("QBitMap:Write; can't write '%s'", path);
    return false;
  }
  return true;
}

bool QBitMap::WriteJPG(const char *path, int quality) {
  if (!Is32("WriteJPG")) return false;
  if (GetWidth() > JPEG_MAX_DIMENSION || GetHeight() > JPEG_MAX_DIMENSION) {
    qwarn("QBitMap::WriteJPG(%s); too large for JPEG (max %d)", path, static_cast<int>(JPEG_MAX_DIMENSION));
    return false;
  }
  std::vector<unsigned char> rgb;
  try {
    rgb.resize(static_cast<std::size_t>(GetWidth()) * GetHeight() * 3);
  } catch (const std::bad_alloc &) {
    qwarn("QBitMap:WriteJPG(%s); no memory for RGB image buffer", path);
    return false;
  }
  for (int y = 0; y < GetHeight(); ++y) {
    const uint8_t *p = GetAddress(0, GetHeight() - 1 - y);
    unsigned char *to = rgb.data() + static_cast<std::size_t>(y) * GetWidth() * 3;
    for (int x = 0; x < GetWidth(); ++x, p += 4, to += 3) std::memcpy(to, p, 3);
  }
  FILE *file = std::fopen(path, "wb");
  if (!file) {
    qwarn("QBitMap::WriteJPG(%s); can't open file", path);
    return false;
  }
  jpeg_compress_struct info;
  kiln::image::JpegError error;
  info.err = kiln::image::UseJpegError(error);
  if (setjmp(error.jump)) {
    qwarn("QBitMap::WriteJPG(%s); %s", path, error.message);
    jpeg_destroy_compress(&info);
    std::fclose(file);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(GetWidth());
  info.image_height = static_cast<JDIMENSION>(GetHeight());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.next_scanline) * GetWidth() * 3;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  if (std::ferror(file) || std::fclose(file) != 0) {
    qwarn("QBitMap::WriteJPG(%s); can't write the file", path);
    return false;
  }
  return true;
}
