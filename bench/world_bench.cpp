// A world's frame against painting every model (make bench runs it under
// xvfb-run).
//
// 10,000 one-geob tiles of 200 triangles on a 100 x 100 grid, copies of 50
// models with 50 textures shared through the pool, placed by transforms,
// in a file order that interleaves the textures (one shader a model, made
// by the world and shared by the copies); a 640 x 480 window looked
// down on from a height that shows about a tenth of the grid, then from
// one that shows all of it. Kiln's frame: Cull, then the painter over the
// items sorted by shader. Two peers: every geode's own Paint in file
// order under its transform, without culling; and the floor, the items
// the world finds visible (decided before the timing) painted in the
// painter's order with the same state set once a shader, by plain GL
// calls, with no culling, sorting or bookkeeping. glFinish ends each frame.
// Each side's last frame must show the same picture. Also measured: Cull
// alone per item and SortByShader over the 10,000 items in file order.
#include <benchmark/benchmark.h>

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/drenderitem.h>
#include <kiln/dshader.h>
#include <kiln/dtexture.h>
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

#include "alternating_ratio.h"
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

// What the floor paints: each visible item's arrays, indices and place,
// and where a new shader's texture begins.
struct FloorItem {
  const float *vertices, *texCoords;
  const uint16_t *indices;
  int count;
  const float *place;
  GLuint texture;  // 0: the same shader as the item before
};

std::vector<FloorItem> VisibleInPaintersOrder(const DVector3 &camera) {
  DWorld &world = *scene->world;
  world.Cull(camera, 1);
  std::vector<FloorItem> visible;
  const DShader *shader = nullptr;
  for (int i = 0; i < world.GetItemCount(); ++i) {
    const DRenderItem &item = *world.GetItem(i);
    if (!item.IsVisible() || !item.shader) continue;
    int first = 0, count = 0;
    item.geob->GetBurstRange(0, &first, &count);
    const GLuint texture = item.shader != shader ? item.shader->layers[0].texture->GetTexID() : 0;
    shader = item.shader;
    visible.push_back({item.geob->GetVertices(), item.geob->GetTVertices(), item.geob->GetIndices() + first, count,
                       item.transform->m, texture});
  }
  return visible;
}

// The floor's frame: the state the scene's shaders set (each a textured,
// opaque layer; only the textures differ), taken from the first, then the
// visible items.
void FloorFrame(const std::vector<FloorItem> &visible) {
  const DShader &shader = *scene->world->GetItem(0)->shader;
  const DShaderLayer &layer = shader.layers[0];
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  const int cull = shader.flags & DSHADER_CULL_MASK;
  cull ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
  glCullFace(cull == 2 ? GL_FRONT : GL_BACK);
  (shader.flags & DSHADER_FOG) ? glEnable(GL_FOG) : glDisable(GL_FOG);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1, 1, 1, 1);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(layer.depthFunc);
  glDepthMask((layer.flags & DSL_DEPTH_WRITE) ? GL_TRUE : GL_FALSE);
  glDisable(GL_ALPHA_TEST);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(layer.texEnv));
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  for (const FloorItem &item : visible) {
    if (item.texture) glBindTexture(GL_TEXTURE_2D, item.texture);
    glPushMatrix();
    glMultMatrixf(item.place);
    glVertexPointer(3, GL_FLOAT, 0, item.vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, item.texCoords);
    glDrawElements(GL_TRIANGLES, item.count, GL_UNSIGNED_SHORT, item.indices);
    glPopMatrix();
  }
  glPopClientAttrib();
  glPopAttrib();
  glFinish();
}

// Kiln's frame and the floor's, in turn, from each height.
void CompareWithTheFloor() {
  const struct {
    const char *label, *goal;
    float height;
  } views[] = {{"a tenth in view, against the floor", "(goal: at most 1.15)", kPartHeight},
               {"all in view, against the floor", "(goal: at most 1.05)", kWholeHeight}};
  for (const auto &view : views) {
    const DVector3 camera = LookDown(view.height);
    const std::vector<FloorItem> visible = VisibleInPaintersOrder(camera);
    DWorldPainter painter;
    const auto picture = [] { return kiln::bench::BackBufferSum(kWidth, kHeight); };
    const kiln::bench::FrameSide kiln{[&] {
                                        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                                        scene->world->Cull(camera, 1);
                                        painter.Paint(*scene->world);
                                        glFinish();
                                      },
                                      picture};
    const kiln::bench::FrameSide floor{[&] { FloorFrame(visible); }, picture};
    kiln::bench::PrintAlternatingRatio(view.label, kiln, floor, view.height == kPartHeight ? 31 : 11, view.goal);
  }
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
  CompareWithTheFloor();
  built.world.reset();
  built.shading.reset();
  return 0;
}
