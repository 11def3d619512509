// The canvas against the plain OpenGL a program would write, in one window
// on Mesa under Xvfb, glFinish at the end of every iteration:
//  - 10,000 Rectfills of 8 x 8 against glColor and glBegin/glEnd each, the
//    projection set once;
//  - 1,000 Text calls of 40 characters in helvetica 12 against glRasterPos
//    and glCallLists on the same font's lists;
//  - 2,000 Blits of 64 x 64, direct and queued, against glDrawPixels.
// Each side's picture is compared with its peer's first.
#define GL_GLEXT_PROTOTYPES
#include <benchmark/benchmark.h>

#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qcolor.h>
#include <kiln/qdebug.h>
#include <kiln/qfont.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bench_window.h"
#include "ratio_reporter.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kRects = 10000, kTexts = 1000, kBlits = 2000, kBlitSize = 64;
const char kLine[] = "The quick brown fox jumps over the lazy d";  // 40 characters and one

kiln::bench::BenchWindow &TheWindow() {
  static kiln::bench::BenchWindow window(kWidth, kHeight);
  return window;
}

QFont &TheFont() {
  static QFont font("helvetica", 12);
  return font;
}

QBitMap &ThePicture() {
  static QBitMap picture(32, kBlitSize, kBlitSize);
  static const bool painted = [] {
    for (int y = 0; y < kBlitSize; ++y) {
      for (int x = 0; x < kBlitSize; ++x) picture.SetPixel(x, y, QColor(x * 4, y * 4, 200, 255));
    }
    return true;
  }();
  (void)painted;
  return picture;
}


void Clean() {
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// Where the i-th rectangle, text or blit goes, in top-left coordinates.
int X(int i, int step, int span) { return (i * step) % span; }
int Y(int i, int step, int span) { return (i * step / kWidth * 7) % span; }

void CanvasRects() {
  QCanvas *canvas = TheWindow().canvas;
  for (int i = 0; i < kRects; ++i) {
    canvas->SetColor(i & 255, (i >> 2) & 255, 128);
    canvas->Rectfill(X(i, 11, kWidth - 8), Y(i, 11, kHeight - 8), 8, 8);
  }
}

void PlainRects() {
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kWidth, 0, kHeight, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  for (int i = 0; i < kRects; ++i) {
    const float x = static_cast<float>(X(i, 11, kWidth - 8)), top = static_cast<float>(kHeight - Y(i, 11, kHeight - 8));
    glColor4ub(static_cast<GLubyte>(i & 255), static_cast<GLubyte>((i >> 2) & 255), 128, 255);
    glBegin(GL_QUADS);
    glVertex2f(x, top);
    glVertex2f(x + 8, top);
    glVertex2f(x + 8, top - 8);
    glVertex2f(x, top - 8);
    glEnd();
  }
}

void CanvasText() {
  QCanvas *canvas = TheWindow().canvas;
  canvas->SetFont(&TheFont());
  canvas->SetColor(255, 255, 255);
  for (int i = 0; i < kTexts; ++i) canvas->Text(kLine, X(i, 37, 400), Y(i, 37 * 40, kHeight - 16), 40);
}

void PlainText() {
  const int ascent = static_cast<int>(TheFont().GetAscent());
  glColor4ub(255, 255, 255, 255);
  glListBase(TheFont().GetListBase());
  for (int i = 0; i < kTexts; ++i) {
    glWindowPos2i(X(i, 37, 400), kHeight - 1 - (Y(i, 37 * 40, kHeight - 16) + ascent));
    glCallLists(40, GL_UNSIGNED_BYTE, kLine);
  }
}

void CanvasBlits() {
  QCanvas *canvas = TheWindow().canvas;
  for (int i = 0; i < kBlits; ++i) canvas->Blit(&ThePicture(), X(i, 23, kWidth - kBlitSize), Y(i, 23 * 60, kHeight - kBlitSize));
}

void QueuedBlits() {
  QCanvas *canvas = TheWindow().canvas;
  canvas->SetFlags(QCANVAS_QUEUE_BLITS);
  CanvasBlits();
  canvas->FlushBlits();
  canvas->ClearFlags(QCANVAS_QUEUE_BLITS);
}

void PlainBlits() {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int i = 0; i < kBlits; ++i) {
    glWindowPos2i(X(i, 23, kWidth - kBlitSize), kHeight - kBlitSize - Y(i, 23 * 60, kHeight - kBlitSize));
    glDrawPixels(kBlitSize, kBlitSize, GL_RGBA, GL_UNSIGNED_BYTE, ThePicture().GetBuffer());
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

void Frames(benchmark::State &state, void (*paint)()) {
  for (auto _ : state) {
    Clean();
    paint();
    glFinish();
  }
  Clean();
  paint();
  kiln::bench::SetResult(state, TheWindow().BackBufferSum());
}

}  // namespace

BENCHMARK_CAPTURE(Frames, CanvasRectfill, CanvasRects)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frames, PlainRects, PlainRects)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frames, CanvasText, CanvasText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frames, PlainText, PlainText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frames, CanvasBlit, CanvasBlits)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frames, QueuedBlit, QueuedBlits)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frames, PlainBlit, PlainBlits)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
  auto quiet = [](const char *) {};
  qdbg_set_callback(quiet);
  if (!TheWindow().Ready()) {
    std::printf("benchmark failed: no GL display (run under xvfb-run)\n");
    return 1;
  }
  if (!TheFont().Create()) {
    std::printf("benchmark failed: no helvetica 12 (the X font packages)\n");
    return 1;
  }
  auto &reporter = kiln::bench::RunAll(argc, argv);
  // Goals as speeds: Rectfill at least 0.7 of the plain loop's, text and
  // blits at least 0.9: times at most 1.43 and 1.11.
  reporter.PrintRatio("Rectfill vs plain loop", "Frames/CanvasRectfill", "Frames/PlainRects", "(goal: at most 1.43)");
  reporter.PrintRatio("Text vs glCallLists", "Frames/CanvasText", "Frames/PlainText", "(goal: at most 1.11)");
  reporter.PrintRatio("Blit vs glDrawPixels", "Frames/CanvasBlit", "Frames/PlainBlit", "(goal: at most 1.11)");
  reporter.PrintRatio("queued Blit vs glDrawPixels", "Frames/QueuedBlit", "Frames/PlainBlit", "(goal: at most 1.11)");
  return 0;
}
