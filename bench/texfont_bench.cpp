// Texture-font text against bitmap-font text, in one window on Mesa under
// Xvfb, glFinish at the end of every iteration: 1,000 lines of 40
// characters in "fixed" 13, baked into a texture font (DTexFont::Paint)
// and through the X font's display lists (glRasterPos and glCallLists).
// Both sides draw 40,000 glyphs an iteration.
#include <benchmark/benchmark.h>

#include <kiln/dtexfont.h>
#include <kiln/qdebug.h>
#include <kiln/qfont.h>
#include <kiln/qglcontext.h>

#include <GL/gl.h>

#include <cstdio>

#include "bench_window.h"
#include "ratio_reporter.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kLines = 1000, kLength = 40;
const char kLine[] = "The quick brown fox jumps over the lazy d";

kiln::bench::BenchWindow *window = nullptr;
QFont *bitmapFont = nullptr;
DTexFont *textureFont = nullptr;

int X(int i) { return (i * 37) % 300; }
int Y(int i) { return (i * 53) % (kHeight - 20); }

void Draw(benchmark::State &state, void (*lines)()) {
  window->canvas->Set2D();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    lines();
    glFinish();
  }
  state.counters["glyphs/s"] =
      benchmark::Counter(kLines * kLength, benchmark::Counter::kIsIterationInvariantRate);
  kiln::bench::SetResult(state, kLines * kLength);
}

void TextureFontLines() {
  for (int i = 0; i < kLines; ++i) textureFont->Paint(kLine, static_cast<float>(X(i)), static_cast<float>(Y(i)), kLength);
}

void BitmapFontLines() {
  glDisable(GL_TEXTURE_2D);
  glColor4ub(255, 255, 255, 255);
  glListBase(bitmapFont->GetListBase());
  for (int i = 0; i < kLines; ++i) {
    glRasterPos2i(X(i), Y(i));
    glCallLists(kLength, GL_UNSIGNED_BYTE, kLine);
  }
}

BENCHMARK_CAPTURE(Draw, TextureFont, TextureFontLines)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, BitmapFont, BitmapFontLines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  qdbg_set_callback([](const char *) {});
  static kiln::bench::BenchWindow benchWindow(kWidth, kHeight);
  if (!benchWindow.Ready()) {
    std::printf("bench_texfont needs an X server with OpenGL (make bench runs it under xvfb-run)\n");
    return 1;
  }
  window = &benchWindow;
  static QFont fixed("fixed", 13);
  static DTexFont baked;
  if (!fixed.Create() || !baked.Create(&fixed, 256, 256, 32, 126, "fixed13", 1) || !baked.Load("fixed13")) {
    std::printf("benchmark failed: the font could not be baked\n");
    return 1;
  }
  bitmapFont = &fixed;
  textureFont = &baked;
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("1,000 lines of 40 glyphs", "Draw/TextureFont", "Draw/BitmapFont",
                      "(goal: at most 0.5, i.e. twice the glyphs a second)");
  return 0;
}
