// JPEG files through libjpeg: grey, RGB and four-component images.
#include <kiln/qimage.h>

#include <kiln/qdebug.h>

#include <cstdio>

#include "byte_reader.h"
#include "jpeg_error.h"

namespace {

// Images beyond this many pixels are refused before any memory is taken.
constexpr long long kMaxPixels = 1LL << 28;

}  // namespace

bool QImage::ReadJPG(const char *fileName) {
  // The whole file in one read: a damaged file's end is met in memory, not
  // by a read of the file per marker.
  kiln::image::FileBytes bytes;
  if (!kiln::image::ReadWholeFile(fileName, &bytes)) {
    std::printf("Can't open %s\n", fileName);
    return false;
  }
  jpeg_decompress_struct info;
  kiln::image::JpegError error;
  info.err = kiln::image::UseJpegError(error);
  if (setjmp(error.jump)) {
    qwarn("QImage:ReadJPG(%s); %s", fileName, error.message);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data.get(), static_cast<unsigned long>(bytes.size));
  jpeg_read_header(&info, TRUE);
  if (static_cast<long long>(info.image_width) * info.image_height > kMaxPixels ||
      !Alloc(32, static_cast<int>(info.image_width), static_cast<int>(info.image_height), 0)) {
    qwarn("QImage:ReadJPG(); (%s) out of memory", fileName);
    jpeg_destroy_decompress(&info);
    return false;
  }
#ifdef JCS_ALPHA_EXTENSIONS
  // Grey and colour images decode straight into the bitmap's rows.
  const bool direct = info.num_components == 1 || info.num_components == 3;
  if (direct) info.out_color_space = JCS_EXT_RGBA;
#else
  const bool direct = false;
#endif
  jpeg_start_decompress(&info);
  if (direct) {
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = GetAddress(0, GetHeight() - 1 - static_cast<int>(info.output_scanline));
      jpeg_read_scanlines(&info, &row, 1);
    }
  } else {
    // The row buffer is as wide as the image (libjpeg frees it): no row is
    // too wide for it.
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * static_cast<JDIMENSION>(info.output_components), 1);
    const int components = info.output_components;
    while (info.output_scanline < info.output_height) {
      jpeg_read_scanlines(&info, rows, 1);
      uint8_t *p = GetAddress(0, GetHeight() - static_cast<int>(info.output_scanline));
      const JSAMPLE *s = rows[0];
      if (components == 3 || components == 4) {
        for (int x = 0; x < GetWidth(); ++x, p += 4, s += components) {
          p[0] = s[0];
          p[1] = s[1];
          p[2] = s[2];
          p[3] = 255;
        }
      } else if (components == 1) {
        for (int x = 0; x < GetWidth(); ++x, p += 4, ++s) {
          p[0] = p[1] = p[2] = *s;
          p[3] = 255;
        }
      } else {
        qwarn("QImage:ReadJPG(%s); unsupported number of components (%d)", fileName, components);
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}
