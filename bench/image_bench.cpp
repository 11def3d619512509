// Kiln's Targa (raw and run-length), BMP and PSD readers against stb_image
// on the same 2048 x 2048 files, and Kiln's JPEG reader against a plain
// libjpeg decoding loop into an RGB buffer.
#include <benchmark/benchmark.h>

#include <kiln/qdebug.h>
#include <kiln/qimage.h>
#include <kiln/qutil.h>

#include <jpeglib.h>
#include <stb/stb_image.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ratio_reporter.h"

namespace {

struct Files {
  std::string directory;
  bool ready = false;

  Files() {
    char pattern[] = "/tmp/kiln-image-bench-XXXXXX";
    directory = mkdtemp(pattern);
    // A photograph-like picture and a graphic with large flat areas.
    std::string make = "cd '" + directory +
                       "' && C=/usr/bin/convert"
                       " && $C -size 2048x2048 -seed 1 plasma:fractal -blur 0x1 -depth 8 photo.png"
                       " && $C -size 2048x2048 xc:white -fill navy -draw 'rectangle 100,100 1500,900'"
                       " -fill orange -draw 'circle 1024,1400 1024,1900' -type TrueColor -depth 8 graphic.png"
                       " && $C photo.png -compress None photo.tga && $C photo.png -compress RLE photo-rle.tga"
                       " && $C graphic.png -type TrueColor -compress RLE graphic-rle.tga"
                       " && $C photo.png -type TrueColor BMP3:photo.bmp"
                       // One layer, which the PSD reader composites, and in
                       // front of it the same picture merged, which stb_image
                       // reads: the same work on both sides.
                       " && $C photo.png \\( photo.png -type TrueColorAlpha \\) -depth 8 -compress RLE layer.psd"
                       " && $C photo.png -quality 90 photo.jpg";
    ready = std::system(make.c_str()) == 0;
    if (!ready) std::fprintf(stderr, "can't make the images (is ImageMagick installed?)\n");
  }
  ~Files() {
    std::string remove = "rm -rf '" + directory + "'";
    if (std::system(remove.c_str()) != 0) std::fprintf(stderr, "can't remove %s\n", directory.c_str());
  }
  std::string Path(const char *name) const { return directory + "/" + name; }
};

Files &TheFiles() {
  static Files files;
  return files;
}

constexpr int kSize = 2048;

// Kiln's picture (rows bottom-up, RGBA) against a peer's (rows top-down, of
// `step` bytes a pixel), red, green and blue within `tolerance`.
bool SamePicture(const QBitMap &ours, const unsigned char *theirs, int width, int height, int step, int tolerance) {
  if (ours.GetWidth() != width || ours.GetHeight() != height) return false;
  for (int y = 0; y < height; ++y) {
    const uint8_t *a = ours.GetAddress(0, height - 1 - y);
    const unsigned char *b = theirs + static_cast<std::size_t>(y) * width * step;
    for (int x = 0; x < width; ++x, a += 4, b += step) {
      for (int c = 0; c < 3; ++c) {
        if (std::abs(a[c] - b[c]) > tolerance) return false;
      }
    }
  }
  return true;
}

void Kiln(benchmark::State &state, const char *name) {
  std::string path = TheFiles().Path(name);
  for (auto _ : state) {
    QImage image(path.c_str());
    if (!image.IsRead() || image.GetWidth() != kSize || image.GetHeight() != kSize) {
      state.SkipWithError("Kiln could not read the file");
      break;
    }
    benchmark::DoNotOptimize(image.GetBuffer());
  }
}

unsigned char *StbLoad(const std::string &path, int *w, int *h) {
  int n;
  return stbi_load(path.c_str(), w, h, &n, 4);
}

void Stb(benchmark::State &state, const char *name) {
  std::string path = TheFiles().Path(name);
  for (auto _ : state) {
    int w, h;
    unsigned char *pixels = StbLoad(path, &w, &h);
    if (!pixels || w != kSize || h != kSize) {
      stbi_image_free(pixels);
      state.SkipWithError("stb_image could not read the file");
      break;
    }
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
}

// A plain decoding loop into an RGB buffer; empty when the file can't be
// read.
std::vector<unsigned char> LibjpegDecode(const std::string &path, int *w, int *h) {
  std::vector<unsigned char> rgb;
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) return rgb;
  jpeg_decompress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  *w = static_cast<int>(info.output_width);
  *h = static_cast<int>(info.output_height);
  rgb.resize(static_cast<std::size_t>(info.output_width) * info.output_height * info.output_components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.output_scanline) * info.output_width * info.output_components;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return rgb;
}

void LibjpegLoop(benchmark::State &state) {
  std::string path = TheFiles().Path("photo.jpg");
  for (auto _ : state) {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb = LibjpegDecode(path, &w, &h);
    if (w != kSize || h != kSize) {
      state.SkipWithError("libjpeg could not read the file");
      break;
    }
    benchmark::DoNotOptimize(rgb.data());
  }
}

// Both sides must give the same picture before their speeds mean anything.
// The PSD reader composites the layers, rounding each channel down by one;
// the peer reads the merged picture.
bool SamePictures() {
  struct Check {
    const char *name;
    int tolerance;
  };
  bool same = true;
  for (Check check : {Check{"photo.tga", 0}, Check{"photo-rle.tga", 0}, Check{"graphic-rle.tga", 0},
                      Check{"photo.bmp", 0}, Check{"layer.psd", 1}, Check{"photo.jpg", 0}}) {
    std::string path = TheFiles().Path(check.name);
    QImage ours(path.c_str());
    int w = 0, h = 0;
    bool agree;
    if (std::string(check.name) == "photo.jpg") {
      std::vector<unsigned char> rgb = LibjpegDecode(path, &w, &h);
      agree = ours.IsRead() && SamePicture(ours, rgb.data(), w, h, 3, check.tolerance);
    } else {
      unsigned char *theirs = StbLoad(path, &w, &h);
      agree = ours.IsRead() && theirs && SamePicture(ours, theirs, w, h, 4, check.tolerance);
      stbi_image_free(theirs);
    }
    std::printf("%-16s %10ld bytes, %d x %d, %s\n", check.name, QFileSize(path.c_str()), w, h,
                agree ? "same picture from both readers" : "THE READERS DIFFER");
    same = same && agree;
  }
  return same;
}

}  // namespace

#define KILN_IMAGE_BENCH(label, file)                                                   \
  BENCHMARK_CAPTURE(Kiln, label, file)->Unit(benchmark::kMillisecond)->MinTime(0.5);      \
  BENCHMARK_CAPTURE(Stb, label, file)->Unit(benchmark::kMillisecond)->MinTime(0.5)

KILN_IMAGE_BENCH(TargaRaw, "photo.tga");
KILN_IMAGE_BENCH(TargaRlePhoto, "photo-rle.tga");
KILN_IMAGE_BENCH(TargaRleGraphic, "graphic-rle.tga");
KILN_IMAGE_BENCH(Bmp, "photo.bmp");
KILN_IMAGE_BENCH(Psd, "layer.psd");
BENCHMARK_CAPTURE(Kiln, Jpeg, "photo.jpg")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(LibjpegLoop)->Unit(benchmark::kMillisecond)->MinTime(0.5);

int main(int argc, char **argv) {
  qdbg_set_callback([](const char *) {});
  if (!TheFiles().ready || !SamePictures()) return 1;
  auto &reporter = kiln::bench::RunAll(argc, argv);
  for (const char *format : {"TargaRaw", "TargaRlePhoto", "TargaRleGraphic", "Bmp", "Psd"}) {
    std::string label = std::string(format) + " vs stb_image";
    reporter.PrintRatio(label.c_str(), std::string("Kiln/") + format, std::string("Stb/") + format, "(goal: at most 1)");
  }
  reporter.PrintRatio("Jpeg vs plain libjpeg loop", "Kiln/Jpeg", "LibjpegLoop", "(goal: at most 1.1)");
  return 0;
}
