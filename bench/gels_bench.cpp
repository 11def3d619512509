// Graphic elements on the BC against redrawing everything (make bench runs
// it under xvfb-run).
//
// 1,000 opaque 32 x 32 bitmap gels at random places and distinct depths
// over a background gel filling the 768 x 576 BC, some of them moved one
// pixel a frame by controls. Kiln's frame: the FX manager's Iterate without
// swap, then glFinish. Two peers: the background and every gel drawn with
// glDrawPixels in depth order, as a program without the list would; and
// the best full redraw plain OpenGL offers, every bitmap uploaded once into
// one texture and all of them drawn as quads in one call. glFinish ends
// each frame. Afterwards every side draws the same check frame (every
// moving gel put at one place), and their back buffers must agree.
// Standard error goes to /dev/null.
#include <benchmark/benchmark.h>

#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qbitmap.h>
#include <kiln/qbitmapgel.h>
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
#include <optional>
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

// A bitmap and the library's gel that shows it.
struct BitmapGel {
  BitmapGel(int seed, int width, int height) : bitmap(32, width, height) {
    Fill(bitmap, seed);
    gel.SetBitmap(&bitmap);
  }
  QBitMap bitmap;
  QBitmapGel gel;
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
  scene->gels[index]->gel.SetProperty(0, Across(scene->base[index], value));
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
  for (std::size_t i = 0; i < scene->gels.size(); ++i) scene->gels[i]->gel.SetProperty(0, scene->base[i]);
  app->SyncFX();
  StartMoving(moving);
  for (auto _ : state) {
    manager->Iterate(QFXManager::NO_SWAP);
    glFinish();
  }
  scene->controls.clear();
  PlaceForCheck(moving, [](std::size_t i, int x) { scene->gels[i]->gel.SetProperty(0, x); });
  manager->Iterate(QFXManager::NO_SWAP);
  manager->Iterate(QFXManager::NO_SWAP);
  app->GetBC()->GetCanvas()->Select();
  kiln::bench::SetResult(state, kiln::bench::BackBufferSum(kWidth, kHeight));
}

// One unit a pixel of the BC, origin at its bottom left, while it lives.
struct WindowCoordinates {
  WindowCoordinates() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, kWidth, 0, kHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
  }
  ~WindowCoordinates() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
  }
};

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
    ys[i] = scene->gels[i]->gel.GetY();
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = static_cast<std::size_t>(std::find_if(scene->gels.begin(), scene->gels.end(), [&](const auto &gel) {
                                          return gel.get() == scene->byDepth[i];
                                        }) - scene->gels.begin());
  }
  app->GetBC()->GetCanvas()->Select();
  const WindowCoordinates coordinates;
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
}

// The best full redraw plain OpenGL offers: every bitmap uploaded once into
// one texture, and every frame all of them as quads in depth order, in one
// draw call.
void TexturedFrames(benchmark::State &state) {
  const int moving = static_cast<int>(state.range(0));
  constexpr int kAtlas = 2048;
  std::vector<const BitmapGel *> drawn = {scene->background.get()};
  drawn.insert(drawn.end(), scene->byDepth.begin(), scene->byDepth.end());
  app->GetBC()->GetCanvas()->Select();
  GLuint atlas = 0;
  glGenTextures(1, &atlas);
  glBindTexture(GL_TEXTURE_2D, atlas);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kAtlas, kAtlas, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  // The background at the bottom, the gels in rows above it.
  std::vector<std::pair<int, int>> at;
  int x = 0, y = kHeight;
  for (const BitmapGel *gel : drawn) {
    if (gel == scene->background.get()) {
      at.emplace_back(0, 0);
    } else {
      if (x + kSize > kAtlas) x = 0, y += kSize;
      at.emplace_back(x, y);
      x += kSize;
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, at.back().first, at.back().second, gel->bitmap.GetWidth(),
                    gel->bitmap.GetHeight(), GL_RGBA, GL_UNSIGNED_BYTE, gel->bitmap.GetBuffer());
  }
  // Each gel at its starting place, as the other sides start.
  std::vector<int> xs(drawn.size(), 0);
  for (std::size_t i = 1; i < drawn.size(); ++i) {
    const auto gel = std::find_if(scene->gels.begin(), scene->gels.end(), [&](const auto &g) { return g.get() == drawn[i]; });
    xs[i] = scene->base[static_cast<std::size_t>(gel - scene->gels.begin())];
  }
  std::vector<std::size_t> movingAt;  // where the moving gels stand in `drawn`
  for (int i = 0; i < moving; ++i)
    movingAt.push_back(static_cast<std::size_t>(std::find(drawn.begin(), drawn.end(), scene->gels[static_cast<std::size_t>(i)].get()) - drawn.begin()));
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  std::optional<WindowCoordinates> coordinates(std::in_place);
  glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  std::vector<float> quads;
  const auto frame = [&] {
    quads.clear();
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      const QBitMap &bitmap = drawn[i]->bitmap;
      const float w = static_cast<float>(bitmap.GetWidth()), h = static_cast<float>(bitmap.GetHeight());
      const float x0 = static_cast<float>(xs[i]), y0 = static_cast<float>(kHeight - drawn[i]->gel.GetY()) - h;
      const float s0 = static_cast<float>(at[i].first) / kAtlas, t0 = static_cast<float>(at[i].second) / kAtlas;
      const float s1 = s0 + w / kAtlas, t1 = t0 + h / kAtlas;
      const float corners[16] = {x0, y0, s0, t0, x0 + w, y0, s1, t0, x0 + w, y0 + h, s1, t1, x0, y0 + h, s0, t1};
      quads.insert(quads.end(), corners, corners + 16);
    }
    glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), quads.data());
    glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), quads.data() + 2);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(quads.size() / 4));
    glFinish();
  };
  int value = 0;
  for (auto _ : state) {
    ++value;
    for (int i = 0; i < moving; ++i) xs[movingAt[static_cast<std::size_t>(i)]] = Across(scene->base[static_cast<std::size_t>(i)], value);
    frame();
  }
  PlaceForCheck(moving, [&](std::size_t i, int x) { xs[movingAt[i]] = x; });
  frame();
  kiln::bench::SetResult(state, kiln::bench::BackBufferSum(kWidth, kHeight));
  coordinates.reset();
  glPopClientAttrib();
  glPopAttrib();
  glDeleteTextures(1, &atlas);
}

BENCHMARK(KilnFrames)->Arg(kGels / 20)->Arg(kGels)->Unit(benchmark::kMillisecond);
BENCHMARK(TexturedFrames)->Arg(kGels / 20)->Arg(kGels)->Unit(benchmark::kMillisecond);
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
  built.background->gel.SetPos(0, 0, 0);
  std::mt19937 random(2024);
  std::vector<int> depths(kGels);
  std::iota(depths.begin(), depths.end(), 1);
  std::shuffle(depths.begin(), depths.end(), random);
  for (int i = 0; i < kGels; ++i) {
    auto gel = std::make_unique<BitmapGel>(i, kSize, kSize);
    built.base.push_back(static_cast<int>(random() % (kWidth - kSize)));
    gel->gel.SetPos(built.base.back(), static_cast<int>(random() % (kHeight - kSize)), depths[static_cast<std::size_t>(i)]);
    built.gels.push_back(std::move(gel));
  }
  for (auto &gel : built.gels) built.byDepth.push_back(gel.get());
  std::sort(built.byDepth.begin(), built.byDepth.end(), [](auto *a, auto *b) { return a->gel.GetDepth() < b->gel.GetDepth(); });
  application.SyncFX();  // everything painted once

  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("1,000 gels, 50 moving, one frame", "KilnFrames/50", "PlainFrames/50",
                      "(goal: at most 0.2, i.e. 5 x faster)");
  reporter.PrintRatio("1,000 gels, all moving, one frame", "KilnFrames/1000", "PlainFrames/1000",
                      "(goal: at most 1.0)");
  reporter.PrintRatio("50 moving, against textured quads", "KilnFrames/50", "TexturedFrames/50", "(goal: at most 1.0)");
  reporter.PrintRatio("all moving, against textured quads", "KilnFrames/1000", "TexturedFrames/1000", "(reported)");
  return 0;
}
