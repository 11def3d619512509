// Graphic elements on the BC against redrawing everything (make bench runs
// it under xvfb-run).
//
// 1,000 opaque 32 x 32 bitmap gels at random places and distinct depths
// over a background gel filling the 768 x 576 BC, some of them moved one
// pixel a frame by controls. Kiln's frame: the FX manager's Iterate without
// swap, then glFinish. The peer's: the background and every gel drawn with
// glDrawPixels in depth order, then glFinish. Afterwards both sides draw
// the same check frame (every moving gel put at one place), and their back
// buffers must agree. Standard error goes to /dev/null.
#include <benchmark/benchmark.h>

#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qcontrol.h>
#include <kiln/qdebug.h>
#include <kiln/qfxmanager.h>
#include <kiln/qgel.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "bench_window.h"
#include "ratio_reporter.h"

namespace {

constexpr int kGels = 1000, kSize = 32;
constexpr int kWidth = 768, kHeight = 576;
constexpr int kCheckValue = 12345;

// A bitmap of a gradient in the colour's hue, so that a part drawn from
// the wrong place shows.
void Fill(QBitMap &bitmap, int seed) {
  for (int y = 0; y < bitmap.GetHeight(); ++y) {
    for (int x = 0; x < bitmap.GetWidth(); ++x) {
      uint8_t *p = bitmap.GetAddress(x, y);
      p[0] = static_cast<uint8_t>(seed * 37 + x * 3);
      p[1] = static_cast<uint8_t>(seed * 91 + y * 5);
      p[2] = static_cast<uint8_t>(seed * 13 + x + y);
      p[3] = 255;
    }
  }
}

class BitmapGel : public QGel {
public:
  BitmapGel(int seed, int width, int height) : bitmap(32, width, height) {
    Fill(bitmap, seed);
    SetSize(width, height);
  }
  void Paint() override { canvas->Blit(&bitmap, x, y); }
  void PaintPart(const QRect &part) override {
    canvas->Blit(&bitmap, x + part.x, y + part.y, part.width, part.height, part.x, part.y);
  }
  QBitMap bitmap;
};

// A moving gel's x for a control value: back and forth across the BC.
int Across(int base, int value) {
  const int span = kWidth - kSize, at = (base + value) % (2 * span);
  return at < span ? at : 2 * span - at;
}

struct Scene {
  std::unique_ptr<BitmapGel> background;
  std::vector<std::unique_ptr<BitmapGel>> gels;
  std::vector<int> base;                   // each gel's starting x
  std::vector<std::unique_ptr<QControl>> controls;
  std::vector<BitmapGel *> byDepth;        // the painting order
};
Scene *scene = nullptr;
QApp *app = nullptr;

int MoveGel(QControl *control, void *, int value) {
  const auto index = static_cast<std::size_t>(control->GetID());
  scene->gels[index]->SetProperty(0, Across(scene->base[index], value));
  return 0;
}

// The first `moving` gels are driven by controls that run far longer than
// any benchmark.
void StartMoving(int moving) {
  QFXManager *manager = app->GetFXManager(0);
  scene->controls.clear();
  for (int i = 0; i < moving; ++i) {
    auto control = std::make_unique<QControl>(i);
    control->SetCallback(MoveGel, nullptr);
    control->Key(1000000, 1000000);
    manager->Add(control.get());
    scene->controls.push_back(std::move(control));
  }
}

// Every moving gel at the check place: what both sides draw last.
void PlaceForCheck(int moving, const std::function<void(std::size_t, int)> &place) {
  for (int i = 0; i < moving; ++i) place(static_cast<std::size_t>(i), Across(scene->base[static_cast<std::size_t>(i)], kCheckValue));
}

void KilnFrames(benchmark::State &state) {
  const int moving = static_cast<int>(state.range(0));
  QFXManager *manager = app->GetFXManager(0);
  for (std::size_t i = 0; i < scene->gels.size(); ++i) scene->gels[i]->SetProperty(0, scene->base[i]);
  app->SyncFX();
  StartMoving(moving);
  for (auto _ : state) {
    manager->Iterate(QFXManager::NO_SWAP);
    glFinish();
  }
  scene->controls.clear();
  PlaceForCheck(moving, [](std::size_t i, int x) { scene->gels[i]->SetProperty(0, x); });
  manager->Iterate(QFXManager::NO_SWAP);
  manager->Iterate(QFXManager::NO_SWAP);
  app->GetBC()->GetCanvas()->Select();
  kiln::bench::SetResult(state, kiln::bench::BackBufferSum(kWidth, kHeight));
}

// Draws the bitmap with its top left corner at (x, y) of the BC.
void DrawAt(const QBitMap &bitmap, int x, int y) {
  glRasterPos2i(x, kHeight - y - bitmap.GetHeight());
  glDrawPixels(bitmap.GetWidth(), bitmap.GetHeight(), GL_RGBA, GL_UNSIGNED_BYTE, bitmap.GetBuffer());
}

void PlainFrames(benchmark::State &state) {
  const int moving = static_cast<int>(state.range(0));
  std::vector<int> xs(scene->gels.size()), ys(scene->gels.size());
  std::vector<std::size_t> order(scene->byDepth.size());
  for (std::size_t i = 0; i < scene->gels.size(); ++i) {
    xs[i] = scene->base[i];
    ys[i] = scene->gels[i]->GetY();
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = static_cast<std::size_t>(std::find_if(scene->gels.begin(), scene->gels.end(), [&](const auto &gel) {
                                          return gel.get() == scene->byDepth[i];
                                        }) - scene->gels.begin());
  }
  app->GetBC()->GetCanvas()->Select();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, kWidth, 0, kHeight, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  const auto frame = [&] {
    DrawAt(scene->background->bitmap, 0, 0);
    for (std::size_t i : order) DrawAt(scene->gels[i]->bitmap, xs[i], ys[i]);
    glFinish();
  };
  int value = 0;
  for (auto _ : state) {
    ++value;
    for (int i = 0; i < moving; ++i) xs[static_cast<std::size_t>(i)] = Across(scene->base[static_cast<std::size_t>(i)], value);
    frame();
  }
  PlaceForCheck(moving, [&](std::size_t i, int x) { xs[i] = x; });
  frame();
  kiln::bench::SetResult(state, kiln::bench::BackBufferSum(kWidth, kHeight));
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

BENCHMARK(KilnFrames)->Arg(kGels / 20)->Arg(kGels)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainFrames)->Arg(kGels / 20)->Arg(kGels)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  // A frame queues thousands of blits: the queue's overflow warnings go.
  if (!std::freopen("/dev/null", "w", stderr)) return 1;
  qdbg_set_callback([](const char *) {});
  QApp application("bench_gels", "Benchmark");
  app = &application;
  application.NoStateManager();
  if (!application.Create() || !application.GetGelList()) {
    std::printf("benchmark failed: the application's BC could not be made\n");
    return 1;
  }
  Scene built;
  scene = &built;
  built.background = std::make_unique<BitmapGel>(-1, kWidth, kHeight);
  built.background->SetPos(0, 0, 0);
  std::mt19937 random(2024);
  std::vector<int> depths(kGels);
  std::iota(depths.begin(), depths.end(), 1);
  std::shuffle(depths.begin(), depths.end(), random);
  for (int i = 0; i < kGels; ++i) {
    auto gel = std::make_unique<BitmapGel>(i, kSize, kSize);
    built.base.push_back(static_cast<int>(random() % (kWidth - kSize)));
    gel->SetPos(built.base.back(), static_cast<int>(random() % (kHeight - kSize)), depths[static_cast<std::size_t>(i)]);
    built.gels.push_back(std::move(gel));
  }
  for (auto &gel : built.gels) built.byDepth.push_back(gel.get());
  std::sort(built.byDepth.begin(), built.byDepth.end(), [](auto *a, auto *b) { return a->GetDepth() < b->GetDepth(); });
  application.SyncFX();  // everything painted once

  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("1,000 gels, 50 moving, one frame", "KilnFrames/50", "PlainFrames/50",
                      "(goal: at most 0.2, i.e. 5 x faster)");
  reporter.PrintRatio("1,000 gels, all moving, one frame", "KilnFrames/1000", "PlainFrames/1000",
                      "(goal: at most 1.5)");
  return 0;
}
