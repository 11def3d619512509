// Painting and texture loading on Mesa under Xvfb, in one GL context:
//  - 100 geodes of one geob with 5 bursts (the batch's 500 entries) of 98
//    triangles each, over 50 textures of 64 x 64 (mipmapped; consecutive
//    bursts differ), in a 640 x 480 window: every geode's Paint against
//    DBatch against the loop a program would write (each texture bound
//    once, one glDrawElements per burst, the same arrays);
//  - 32 Targa files of 1024 x 1024 made into mipmapped textures:
//    d3LoadTextureMap and DBitMapTexture against stb_image and
//    gluBuild2DMipmaps.
// Each side's picture (or texture) is checked against the others' first.
#include <benchmark/benchmark.h>

#include <kiln/dbatch.h>
#include <kiln/dbitmaptexture.h>
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/dtexturemap.h>
#include <kiln/dtexturepool.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>

#include <GL/glu.h>
#include <GL/glx.h>
#include <stb/stb_image.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_window.h"
#include "ratio_reporter.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kGeodes = 100, kBursts = 5, kTriangles = 98, kTextures = 50, kTextureSize = 64;
constexpr int kFiles = 32, kFileSize = 1024;

// The scene: 100 geodes in a grid of 10 x 10 cells, each burst a strip of
// 49 quads in its own column of its geode's cell, so that nothing overlaps
// and every order of painting gives the same picture.
struct Scene {
  std::string directory;
  std::vector<std::unique_ptr<DGeode>> geodes;
  std::vector<DTexture *> textures;
  // For the hand-written loop: per texture, the bursts drawn with it.
  struct Burst {
    const DGeob *geob;
    int first, count;
  };
  std::vector<std::vector<Burst>> byTexture;

  bool Build() {
    char pattern[] = "/tmp/kiln-scene-bench-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    directory = pattern;
    DGlobal &global = d3Global();
    global.flags |= DGF_USE_POOL;
    for (int t = 0; t < kTextures; ++t) {
      QBitMap picture(32, kTextureSize, kTextureSize);
      for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) picture.SetPixel(x, y, QColor(t * 5, x * 4, y * 4, 255));
      }
      auto *texture = new DBitMapTexture(&picture);
      const std::string name = "tex" + std::to_string(t) + ".tga";
      texture->SetName(name.c_str());
      global.pool->Add(name.c_str(), texture);
      textures.push_back(texture);
    }
    byTexture.resize(kTextures);
    for (int g = 0; g < kGeodes; ++g) {
      auto geode = std::make_unique<DGeode>(("geode" + std::to_string(g) + ".dof").c_str());
      auto *parent = new DMaterial;
      for (int b = 0; b < kBursts; ++b) {
        // A sub-material per burst; textures from the pool.
        auto *sub = new DMaterial;
        sub->AddTexture(("tex" + std::to_string((g * kBursts + b) % kTextures) + ".tga").c_str());
        parent->AddSubMaterial(sub);
      }
      geode->AddMaterial(parent);
      geode->AddGeob(MakeGeob(geode.get(), g));
      for (int b = 0; b < kBursts; ++b) {
        int first, count;
        const DGeob *geob = geode->GetGeob(0);
        geob->GetBurstRange(b, &first, &count);
        byTexture[(g * kBursts + b) % kTextures].push_back({geob, first, count});
      }
      geodes.push_back(std::move(geode));
    }
    return true;
  }

  DGeob *MakeGeob(DGeode *geode, int g) {
    // Written as a chunk and read, as a model file's geob would be.
    const float cellX = static_cast<float>(g % 10) * 64, cellY = static_cast<float>(g / 10) * 48;
    std::vector<float> vertices, uv;
    std::vector<uint16_t> indices;
    for (int b = 0; b < kBursts; ++b) {
      const float x0 = cellX + 2 + b * 12, x1 = x0 + 10;
      const int base = static_cast<int>(vertices.size() / 3);
      for (int row = 0; row <= kTriangles / 2; ++row) {
        const float y = cellY + 2 + row * 44.0f / (kTriangles / 2);
        vertices.insert(vertices.end(), {x0, y, 0, x1, y, 0});
        uv.insert(uv.end(), {0, row / 49.0f, 1, row / 49.0f});
      }
      for (int quad = 0; quad < kTriangles / 2; ++quad) {
        const auto a = static_cast<uint16_t>(base + 2 * quad);
        indices.insert(indices.end(), {a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(a + 2),
                                       static_cast<uint16_t>(a + 2), static_cast<uint16_t>(a + 1),
                                       static_cast<uint16_t>(a + 3)});
      }
    }
    const std::string path = directory + "/geob.dof";
    {
      QFile out(path.c_str(), QFile::WRITE);
      auto writeInt = [&](int32_t v) { out.WriteLE32(v); };
      auto writeFloats = [&](const std::vector<float> &values) {
        out.Write(values.data(), static_cast<long>(values.size() * 4));
      };
      out.Write("GOB1", 4);
      writeInt(0);
      out.Write("INDI", 4);
      writeInt(static_cast<int32_t>(4 + 2 * indices.size()));
      writeInt(static_cast<int32_t>(indices.size()));
      out.Write(indices.data(), static_cast<long>(indices.size() * 2));
      out.Write("VERT", 4);
      writeInt(static_cast<int32_t>(4 + 4 * vertices.size()));
      writeInt(static_cast<int32_t>(vertices.size() / 3));
      writeFloats(vertices);
      out.Write("TVER", 4);
      writeInt(static_cast<int32_t>(4 + 4 * uv.size()));
      writeInt(static_cast<int32_t>(uv.size() / 2));
      writeFloats(uv);
      out.Write("BRST", 4);
      writeInt(4 + 16 * kBursts);
      writeInt(kBursts);
      for (int b = 0; b < kBursts; ++b) writeInt(b * kTriangles * 9);
      for (int b = 0; b < kBursts; ++b) writeInt(kTriangles * 9);
      for (int b = 0; b < kBursts; ++b) writeInt(b);
      for (int b = 0; b < kBursts; ++b) writeInt(3);
      out.Write("GEND", 4);
      const long end = out.Tell();
      out.Seek(4, QFile::S_SET);
      writeInt(static_cast<int32_t>(end - 8));
    }
    QFile in(path.c_str(), QFile::READ);
    auto *geob = new DGeob(geode);
    if (!geob->ImportDOF(&in)) std::fprintf(stderr, "can't read the geob\n");
    return geob;
  }

  ~Scene() {
    geodes.clear();
    for (DTexture *texture : textures) texture->Detach();
    std::string remove = "rm -rf '" + directory + "'";
    if (!directory.empty() && std::system(remove.c_str()) != 0) std::fprintf(stderr, "can't remove %s\n", directory.c_str());
  }
};

kiln::bench::BenchWindow &TheWindow() {
  static kiln::bench::BenchWindow window(kWidth, kHeight);
  return window;
}

Scene &TheScene() {
  static Scene scene;
  return scene;
}

void StartFrame() {
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kWidth, 0, kHeight, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glColor4f(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}


void PaintGeodes() {
  for (auto &geode : TheScene().geodes) geode->Paint();
}

void PaintBatch() {
  DBatch &batch = *d3Global().batch;
  for (auto &geode : TheScene().geodes) batch.Add(geode.get());
  batch.Paint();
}

void PaintByHand() {
  Scene &scene = TheScene();
  glEnable(GL_TEXTURE_2D);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  for (int t = 0; t < kTextures; ++t) {
    glBindTexture(GL_TEXTURE_2D, scene.textures[t]->GetTexID());
    for (const Scene::Burst &burst : scene.byTexture[t]) {
      glVertexPointer(3, GL_FLOAT, 0, burst.geob->GetVertices());
      glTexCoordPointer(2, GL_FLOAT, 0, burst.geob->GetTVertices());
      glDrawElements(GL_TRIANGLES, burst.count, GL_UNSIGNED_SHORT, burst.geob->GetIndices() + burst.first);
    }
  }
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

void Frames(benchmark::State &state, void (*paint)()) {
  for (auto _ : state) {
    StartFrame();
    paint();
    glFinish();
  }
  StartFrame();
  paint();
  kiln::bench::SetResult(state, TheWindow().BackBufferSum());
  state.SetItemsProcessed(state.iterations() * kGeodes * kBursts);
}

// --- texture loading ---

struct Files {
  std::string directory;
  bool ready = false;
  Files() {
    char pattern[] = "/tmp/kiln-texture-bench-XXXXXX";
    if (!mkdtemp(pattern)) return;
    directory = pattern;
    QBitMap picture(32, kFileSize, kFileSize);
    for (int i = 0; i < kFiles; ++i) {
      for (int y = 0; y < kFileSize; ++y) {
        uint8_t *row = picture.GetAddress(0, y);
        for (int x = 0; x < kFileSize; ++x, row += 4) {
          row[0] = static_cast<uint8_t>(x + i * 8);
          row[1] = static_cast<uint8_t>(y ^ x);
          row[2] = static_cast<uint8_t>(y + i);
          row[3] = 255;
        }
      }
      if (!picture.Write(Path(i).c_str(), QBM_FORMAT_TGA)) return;
    }
    ready = true;
  }
  ~Files() {
    std::string remove = "rm -rf '" + directory + "'";
    if (!directory.empty() && std::system(remove.c_str()) != 0) std::fprintf(stderr, "can't remove %s\n", directory.c_str());
  }
  std::string Path(int i) const { return directory + "/picture" + std::to_string(i) + ".tga"; }
};

Files &TheFiles() {
  static Files files;
  return files;
}

// A texture's smallest and largest levels summed, weighted by place.
double TextureSum(GLuint texture) {
  glBindTexture(GL_TEXTURE_2D, texture);
  std::vector<uint8_t> level(static_cast<std::size_t>(kFileSize) * kFileSize * 4);
  double sum = 0;
  for (int l : {0, 5, 10}) {
    glGetTexImage(GL_TEXTURE_2D, l, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
    const std::size_t bytes = static_cast<std::size_t>(kFileSize >> l) * (kFileSize >> l) * 4;
    for (std::size_t i = 0; i < bytes; ++i) sum += level[i] * static_cast<double>(i % 991 + 1);
  }
  return sum;
}

void KilnTextures(benchmark::State &state) {
  double sum = 0;
  for (auto _ : state) {
    sum = 0;
    for (int i = 0; i < kFiles && !state.error_occurred(); ++i) {
      std::unique_ptr<QBitMap> image(d3LoadTextureMap(TheFiles().Path(i).c_str()));
      auto *texture = new DBitMapTexture(image.get());
      if (texture->GetWidth() != kFileSize) {
        texture->Detach();
        state.SkipWithError("Kiln could not read the file");
        break;
      }
      if (i == 0) {
        state.PauseTiming();
        sum = TextureSum(texture->GetTexID());
        state.ResumeTiming();
      }
      texture->Detach();
    }
    glFinish();
  }
  kiln::bench::SetResult(state, sum);
}

void StbTextures(benchmark::State &state) {
  double sum = 0;
  stbi_set_flip_vertically_on_load(1);  // OpenGL's rows go bottom first
  for (auto _ : state) {
    sum = 0;
    for (int i = 0; i < kFiles; ++i) {
      int w, h, n;
      unsigned char *pixels = stbi_load(TheFiles().Path(i).c_str(), &w, &h, &n, 4);
      if (!pixels) {
        state.SkipWithError("stb_image could not read the file");
        break;
      }
      GLuint texture;
      glGenTextures(1, &texture);
      glBindTexture(GL_TEXTURE_2D, texture);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
      gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
      stbi_image_free(pixels);
      if (i == 0) {
        state.PauseTiming();
        sum = TextureSum(texture);
        state.ResumeTiming();
      }
      glDeleteTextures(1, &texture);
    }
    glFinish();
  }
  kiln::bench::SetResult(state, sum);
}

}  // namespace

BENCHMARK_CAPTURE(Frames, GeodePaint, PaintGeodes)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(Frames, Batch, PaintBatch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(Frames, HandLoop, PaintByHand)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(KilnTextures)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(StbTextures)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char **argv) {
  auto quiet = [](const char *) {};
  qdbg_set_callback(quiet);
  qwarn_set_callback(quiet);
  if (!TheWindow().Ready()) {
    std::printf("benchmark failed: no GL display (run under xvfb-run)\n");
    return 1;
  }
  if (!TheScene().Build() || !TheFiles().ready) {
    std::printf("benchmark failed: can't make the scene or the files\n");
    return 1;
  }
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("DBatch vs hand-written loop", "Frames/Batch", "Frames/HandLoop", "(goal: at most 1.15)");
  reporter.PrintRatio("DBatch vs each geode's Paint", "Frames/Batch", "Frames/GeodePaint", "(goal: at most 0.67)");
  reporter.PrintRatio("d3LoadTextureMap + DBitMapTexture vs stb_image + GLU", "KilnTextures", "StbTextures",
                      "(goal: at most 1.05)");
  return 0;
}
