// Box culling: the culler's two-corner test against a straightforward test of
// all eight corners against all six planes, on the same 1,000,000 boxes and
// the same planes.
#include <benchmark/benchmark.h>

#include <kiln/dculler.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "ratio_reporter.h"

namespace {

constexpr int kBoxes = 1000000;

DMatrix4 Perspective(float fieldOfViewDegrees, float aspect, float nearPlane, float farPlane) {
  DMatrix4 matrix;
  for (float &element : matrix.m) element = 0;
  const float f = 1 / std::tan(fieldOfViewDegrees * 3.14159265f / 360);
  matrix.At(0, 0) = f / aspect;
  matrix.At(1, 1) = f;
  matrix.At(2, 2) = (farPlane + nearPlane) / (nearPlane - farPlane);
  matrix.At(2, 3) = 2 * farPlane * nearPlane / (nearPlane - farPlane);
  matrix.At(3, 2) = -1;
  return matrix;
}

struct Scene {
  DCuller culler;
  std::vector<DBox> boxes;

  Scene() {
    DMatrix4 view;
    view.SetRotateEuler(0.4f, -0.2f, 0.05f);
    view.Translate(DVector3(3, -2, -10));
    culler.Update(Perspective(60, 4.0f / 3, 1, 150), view);
    // A world of 300 units around the camera, boxes of 0.5 to 8 units.
    std::mt19937 random(2026);
    std::uniform_real_distribution<float> place(-150, 150), size(0.5f, 8);
    boxes.reserve(kBoxes);
    for (int i = 0; i < kBoxes; ++i) {
      DVector3 corner(place(random), place(random), place(random));
      boxes.emplace_back(corner, corner + DVector3(size(random), size(random), size(random)));
    }
  }
};

const Scene &GetScene() {
  static const Scene scene;
  return scene;
}

int EveryCorner(const DCuller &culler, const DBox &box) {
  bool crossing = false;
  for (int i = 0; i < DCuller::kPlanes; ++i) {
    const DPlane3 &plane = culler.GetPlane(i);
    int outside = 0;
    for (int corner = 0; corner < 8; ++corner) {
      DVector3 point((corner & 1) ? box.max.x : box.min.x, (corner & 2) ? box.max.y : box.min.y,
                     (corner & 4) ? box.max.z : box.min.z);
      if (plane.Evaluate(point) < 0) ++outside;
    }
    if (outside == 8) return -1;
    if (outside > 0) crossing = true;
  }
  return crossing ? 0 : 1;
}

void BoxInView(benchmark::State &state) {
  const Scene &scene = GetScene();
  int sum = 0;
  for (auto _ : state) {
    sum = 0;
    for (const DBox &box : scene.boxes) sum += scene.culler.BoxInView(box);
    benchmark::DoNotOptimize(sum);
  }
  kiln::bench::SetResult(state, sum);
  state.SetItemsProcessed(state.iterations() * kBoxes);
}
BENCHMARK(BoxInView)->Unit(benchmark::kMillisecond);

void EveryCornerTest(benchmark::State &state) {
  const Scene &scene = GetScene();
  int sum = 0;
  for (auto _ : state) {
    sum = 0;
    for (const DBox &box : scene.boxes) sum += EveryCorner(scene.culler, box);
    benchmark::DoNotOptimize(sum);
  }
  kiln::bench::SetResult(state, sum);
  state.SetItemsProcessed(state.iterations() * kBoxes);
}
BENCHMARK(EveryCornerTest)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  // Both tests must agree before their speeds mean anything.
  const Scene &scene = GetScene();
  int counts[3] = {};
  for (const DBox &box : scene.boxes) {
    int ours = scene.culler.BoxInView(box);
    if (ours != EveryCorner(scene.culler, box)) {
      std::fprintf(stderr, "culling results differ\n");
      return 1;
    }
    ++counts[ours + 1];
  }
  std::printf("boxes: %d outside, %d across, %d inside\n", counts[0], counts[1], counts[2]);

  kiln::bench::RatioReporter &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("BoxInView vs all eight corners", "BoxInView", "EveryCornerTest", "(goal: at most 0.5)");
  const double ours = reporter.Time("BoxInView"), peer = reporter.Time("EveryCornerTest");
  if (ours > 0 && peer > 0) {
    std::printf("boxes per second: BoxInView %.1f million, all eight corners %.1f million; %.2f times as fast\n",
                kBoxes / ours * 1e3, kBoxes / peer * 1e3, peer / ours);
  }
  return 0;
}
