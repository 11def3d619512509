// Kiln's Targa (raw and run-length), BMP and PSD readers against stb_image
// on the same 2048 x 2048 files, and Kiln's JPEG reader against a plain
// libjpeg decoding loop into an RGB buffer.
#include <benchmark/benchmark.h>

#include <kiln/qdebug.h>
#include <kiln/qimage.h>

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
                       " && $C photo.png \\( graphic.png -alpha set \\) -depth 8 -compress RLE layers.psd"
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

void Kiln(benchmark::State &state, const char *name) {
  std::string path = TheFiles().Path(name);
  for (auto _ : state) {
    QImage image(path.c_str());
    if (!image.IsRead()) state.SkipWithError("Kiln could not read the file");
    benchmark::DoNotOptimize(image.GetBuffer());
  }
}

void Stb(benchmark::State &state, const char *name) {
  std::string path = TheFiles().Path(name);
  for (auto _ : state) {
    int w, h, n;
    unsigned char *pixels = stbi_load(path.c_str(), &w, &h, &n, 4);
    if (!pixels) state.SkipWithError("stb_image could not read the file");
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
}

void LibjpegLoop(benchmark::State &state) {
  std::string path = TheFiles().Path("photo.jpg");
  for (auto _ : state) {
    FILE *file = std::fopen(path.c_str(), "rb");
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(info.output_width) * info.output_height * info.output_components);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.output_scanline) * info.output_width * info.output_components;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    benchmark::DoNotOptimize(rgb.data());
  }
}

}  // namespace

#define KILN_IMAGE_BENCH(label, file)                                                   \
  BENCHMARK_CAPTURE(Kiln, label, file)->Unit(benchmark::kMillisecond)->MinTime(0.5);      \
  BENCHMARK_CAPTURE(Stb, label, file)->Unit(benchmark::kMillisecond)->MinTime(0.5)

KILN_IMAGE_BENCH(TargaRaw, "photo.tga");
KILN_IMAGE_BENCH(TargaRlePhoto, "photo-rle.tga");
KILN_IMAGE_BENCH(TargaRleGraphic, "graphic-rle.tga");
KILN_IMAGE_BENCH(Bmp, "photo.bmp");
KILN_IMAGE_BENCH(Psd, "layers.psd");
BENCHMARK_CAPTURE(Kiln, Jpeg, "photo.jpg")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(LibjpegLoop)->Unit(benchmark::kMillisecond)->MinTime(0.5);

int main(int argc, char **argv) {
  qdbg_set_callback([](const char *) {});
  if (!TheFiles().ready) return 1;
  auto &reporter = kiln::bench::RunAll(argc, argv);
  for (const char *format : {"TargaRaw", "TargaRlePhoto", "TargaRleGraphic", "Bmp", "Psd"}) {
    std::string label = std::string(format) + " vs stb_image";
    reporter.PrintRatio(label.c_str(), std::string("Kiln/") + format, std::string("Stb/") + format, "(goal: at most 1)");
  }
  reporter.PrintRatio("Jpeg vs plain libjpeg loop", "Kiln/Jpeg", "LibjpegLoop", "(goal: at most 1.1)");
  return 0;
}
