// A world's frame against painting every model (make bench runs it under
// xvfb-run).
//
// 10,000 one-geob tiles of 200 triangles on a 100 x 100 grid, copies of 50
// models with 50 textures shared through the pool, placed by transforms,
// in a file order that interleaves the textures (one shader a model, made
// by the world and shared by the copies); a 640 x 480 window looked
// down on from a height that shows about a tenth of the grid, then from
// one that shows all of it. Kiln's frame: Cull, then the painter over the
// items sorted by shader. The peer's: every geode's own Paint in file
// order under its transform, without culling. glFinish ends both. Each
// side's last frame must show the same picture. Also measured: Cull alone
// per item and SortByShader over the 10,000 items in file order.
#include <benchmark/benchmark.h>

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmatrix4.h>
#include <kiln/dvector3.h>
#include <kiln/dworld.h>
#include <kiln/dworldpainter.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qutil.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_window.h"
#include "dof_chunks.h"
#include "ratio_reporter.h"

namespace {

using namespace kiln::test::dof;

constexpr int kModels = 50, kGrid = 100, kObjects = kGrid * kGrid;
constexpr int kWidth = 640, kHeight = 480;
constexpr float kSpacing = 2;
// Heights from which the 60-degree view covers a tenth of the grid, and
// all of it.
constexpr float kPartHeight = 47, kWholeHeight = 190;

// A tile of 10 x 10 quads (200 triangles) in the xz plane, facing up.
std::string Tile() {
  std::vector<float> corners, uvs;
  std::vector<uint16_t> indices;
  for (int j = 0; j <= 10; ++j) {
    for (int i = 0; i <= 10; ++i) {
      corners.insert(corners.end(), {i * 0.18f - 0.9f, 0.05f * ((i + j) % 3), j * 0.18f - 0.9f});
      uvs.insert(uvs.end(), {i / 10.0f, j / 10.0f});
    }
  }
  for (int j = 0; j < 10; ++j) {
    for (int i = 0; i < 10; ++i) {
      const auto at = [](int x, int y) { return static_cast<uint16_t>(y * 11 + x); };
      indices.insert(indices.end(), {at(i, j), at(i, j + 1), at(i + 1, j), at(i + 1, j), at(i, j + 1), at(i + 1, j + 1)});
    }
  }
  return Gob1({Ghdr(0, 0, 0), Indi(indices), Vert(corners), Tver(uvs), Brst({0}, {600 * 3}, {0}, {3})});
}

struct Scene {
  std::vector<std::unique_ptr<DGeode>> models;
  std::vector<std::unique_ptr<DGeode>> objects;  // copies, in file order
  std::vector<DMatrix4> places;
  std::unique_ptr<DWorld> shading;  // holds the models' shaders
  std::unique_ptr<DWorld> world;

  // A world of every object in file order.
  std::unique_ptr<DWorld> MakeWorld() {
    auto made = std::make_unique<DWorld>();
    for (std::size_t i = 0; i < objects.size(); ++i) {
      made->AddGeode(objects[i].get());
      made->GetItem(made->GetItemCount() - 1)->transform = &places[i];
    }
    return made;
  }
};
Scene *scene = nullptr;

bool Build(Scene &built) {
  const std::string tile = Tile();
  for (int m = 0; m < kModels; ++m) {
    const std::string picture = "tile" + std::to_string(m) + ".tga";
    QBitMap bitmap(32, 64, 64);
    const QColor colour(m * 5 % 256, m * 37 % 256, m * 91 % 256, 255);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) bitmap.SetPixel(x, y, colour);
    }
    if (!bitmap.Write(picture.c_str(), QBM_FORMAT_TGA)) return false;
    const std::string name = "tile" + std::to_string(m) + ".dof";
    const std::string bytes = Dof1({Mats({WrittenMaterial("look", {picture})}), Geob({tile})});
    if (!QWriteFile(name.c_str(), bytes.data(), static_cast<long>(bytes.size()))) return false;
    std::unique_ptr<DGeode> model(d3LoadModel(name.c_str(), nullptr, nullptr, 99999.0f, false));
    if (!model || model->GetGeobCount() != 1) return false;
    built.models.push_back(std::move(model));
  }
  // A world of the models makes each model's shader; the copies share it
  // (a copy's materials take their shader along).
  built.shading = std::make_unique<DWorld>();
  for (auto &model : built.models) built.shading->AddGeode(model.get());
  built.places.resize(kObjects);
  for (int i = 0; i < kObjects; ++i) {
    built.objects.push_back(std::make_unique<DGeode>(*built.models[static_cast<std::size_t>(i % kModels)]));
    DMatrix4 &place = built.places[static_cast<std::size_t>(i)];
    place.SetRotateY(0);
    place.m[12] = (i % kGrid) * kSpacing;
    place.m[14] = (i / kGrid) * kSpacing;
  }
  built.world = built.MakeWorld();
  return built.world->GetItemCount() == kObjects;
}

// Looking straight down on the middle of the grid.
DVector3 LookDown(float height) {
  const float middle = (kGrid - 1) * kSpacing / 2;
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60, static_cast<double>(kWidth) / kHeight, 1, 1000);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(middle, height, middle, middle, 0, middle, 0, 0, -1);
  glClearColor(0, 0, 0, 1);
  glEnable(GL_DEPTH_TEST);
  // Shaders fog and materials don't: fog that reaches nothing here.
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, 5000);
  glFogf(GL_FOG_END, 6000);
  return DVector3(middle, height, middle);
}

double Height(const benchmark::State &state) { return state.range(0) ? kWholeHeight : kPartHeight; }

void KilnFrames(benchmark::State &state) {
  const DVector3 camera = LookDown(static_cast<float>(Height(state)));
  DWorld &world = *scene->world;
  DWorldPainter painter;
  DWorldPainter::Counts counts;
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    world.Cull(camera, 1);
    counts = painter.Paint(world);
    glFinish();
  }
  state.counters["items"] = counts.items;
  state.counters["shaders"] = counts.shaderChanges;
  kiln::bench::SetResult(state, kiln::bench::BackBufferSum(kWidth, kHeight));
}

void PlainFrames(benchmark::State &state) {
  LookDown(static_cast<float>(Height(state)));
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (std::size_t i = 0; i < scene->objects.size(); ++i) {
      glPushMatrix();
      glMultMatrixf(scene->places[i].m);
      scene->objects[i]->Paint();
      glPopMatrix();
    }
    glFinish();
  }
  kiln::bench::SetResult(state, kiln::bench::BackBufferSum(kWidth, kHeight));
}

void CullOnly(benchmark::State &state) {
  const DVector3 camera = LookDown(kPartHeight);
  for (auto _ : state) scene->world->Cull(camera, 1);
  state.counters["per item"] = benchmark::Counter(static_cast<double>(kObjects) * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void SortInFileOrder(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<DWorld> world = scene->MakeWorld();
    state.ResumeTiming();
    world->SortByShader();
    state.PauseTiming();
    world.reset();
    state.ResumeTiming();
  }
}

BENCHMARK(KilnFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(CullOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(SortInFileOrder)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  qdbg_set_callback([](const char *) {});
  kiln::bench::BenchWindow window(kWidth, kHeight);
  if (!window.Ready()) {
    std::printf("bench_world needs an X server with GL (make bench runs it under xvfb-run)\n");
    return 1;
  }
  d3Global().flags |= DGF_USE_POOL;
  Scene built;
  if (!Build(built)) {
    std::printf("benchmark failed: the models could not be written and loaded\n");
    return 1;
  }
  built.world->SortByShader();
  scene = &built;
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("a tenth of 10,000 tiles in view", "KilnFrames/0", "PlainFrames/0",
                      "(goal: at most 0.125, i.e. 8 x faster)");
  reporter.PrintRatio("all 10,000 tiles in view", "KilnFrames/1", "PlainFrames/1", "(goal: at most 1.1)");
  built.world.reset();
  built.shading.reset();
  return 0;
}
