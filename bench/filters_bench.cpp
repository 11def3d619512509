// The filters against straightforward loops of their formulas (no tables,
// no running sums), on a 2048 x 2048 bitmap, in the same build (make bench
// runs it under xvfb-run: the filters' controls belong to an application).
// Each side applies its operation ten times to the same picture; the
// pictures left must agree.
#include <benchmark/benchmark.h>

#include <kiln/qapp.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qcontrol.h>
#include <kiln/qdebug.h>
#include <kiln/qfilter.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ratio_reporter.h"

namespace {

constexpr int kSide = 2048;
constexpr int kTimes = 10;

QBitMap *source = nullptr;

double Checksum(const QBitMap &bitmap) {
  uint64_t sum = 0;
  const uint8_t *p = bitmap.GetBuffer();
  for (int i = 0; i < bitmap.GetBufferSize(); ++i) sum += p[i] * static_cast<uint64_t>(i % 251 + 1);
  return static_cast<double>(sum);
}

// Runs `apply` on a fresh copy of the picture, kTimes times in a row.
template <typename Apply>
void Measure(benchmark::State &state, Apply apply) {
  QBitMap work(*source);
  work.CopyPixels(*source);
  for (auto _ : state) apply(work);
  kiln::bench::SetResult(state, Checksum(work));
}

// ---- Kiln: the filters' Do, and the box filter.

template <typename Filter>
void KilnFilter(benchmark::State &state, Filter &filter, int strength) {
  filter.GetControl()->Jump(strength);
  filter.GetControl()->Iterate();
  Measure(state, [&](QBitMap &work) { filter.Do(&work); });
}

std::unique_ptr<QFilterBrightness> brightness;
std::unique_ptr<QFilterFade> fade;
std::unique_ptr<QFilterGray> gray;
std::unique_ptr<QFilterColorize> colorize;

void KilnBrightness(benchmark::State &state) { KilnFilter(state, *brightness, static_cast<int>(state.range(0))); }
void KilnFade(benchmark::State &state) { KilnFilter(state, *fade, static_cast<int>(state.range(0))); }
void KilnGray(benchmark::State &state) { KilnFilter(state, *gray, static_cast<int>(state.range(0))); }
void KilnColorize(benchmark::State &state) { KilnFilter(state, *colorize, static_cast<int>(state.range(0))); }
void KilnBoxAlpha(benchmark::State &state) {
  Measure(state, [](QBitMap &work) { work.BoxAlpha(16); });
}

// ---- The formulas, pixel by pixel.

template <typename Pixel>
void EachPixel(QBitMap &work, Pixel pixel) {
  uint8_t *p = work.GetBuffer();
  for (int i = 0; i < kSide * kSide; ++i, p += 4) pixel(p);
}

void PlainBrightness(benchmark::State &state) {
  const int amount = static_cast<int>(state.range(0));
  Measure(state, [amount](QBitMap &work) {
    EachPixel(work, [amount](uint8_t *p) {
      for (int c = 0; c < 3; ++c) {
        const int v = p[c];
        if (amount < -100) p[c] = 0;
        else if (amount < 0) p[c] = static_cast<uint8_t>(v * (100 + amount) / 100);
        else if (amount > 0) p[c] = static_cast<uint8_t>(v + std::min(amount, 100) * (255 - v) / 100);
      }
    });
  });
}

void PlainFade(benchmark::State &state) {
  const int amount = static_cast<int>(state.range(0));
  Measure(state, [amount](QBitMap &work) {
    EachPixel(work, [amount](uint8_t *p) {
      const int v = p[3];
      if (amount < -100) p[3] = 255;
      else if (amount < 0) p[3] = static_cast<uint8_t>(v + (-amount) * (255 - v) / 100);
      else if (amount <= 100 && amount > 0) p[3] = static_cast<uint8_t>(v * (100 - amount) / 100);
      else if (amount > 100) p[3] = 0;
    });
  });
}

void PlainGray(benchmark::State &state) {
  const int w = std::clamp(static_cast<int>(state.range(0)), 0, 128);
  Measure(state, [w](QBitMap &work) {
    EachPixel(work, [w](uint8_t *p) {
      const int g = 29 * p[0] / 100 + 29 * p[1] / 50 + 13 * p[2] / 100;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] + (g - p[c]) * w / 128);
    });
  });
}

const QColor tint(200, 120, 40, 255);

void PlainColorize(benchmark::State &state) {
  const int amount = static_cast<int>(state.range(0));
  Measure(state, [amount](QBitMap &work) {
    qdbg("QFilter0Colorize\n");
    if (amount == 0) return;
    const int r = tint.GetRed(), g = tint.GetGreen(), b = tint.GetBlue();
    EachPixel(work, [r, g, b](uint8_t *p) {
      const int grey = (p[0] * 29 + p[1] * 58 + p[2] * 13) / 100;
      p[0] = static_cast<uint8_t>(r * grey / 255);
      p[1] = static_cast<uint8_t>(g * grey / 255);
      p[2] = static_cast<uint8_t>(b * grey / 255);
    });
  });
}

void PlainBoxAlpha(benchmark::State &state) {
  Measure(state, [](QBitMap &work) {
    for (int y = 0; y + 4 <= kSide; ++y) {
      for (int x = 0; x + 4 <= kSide; ++x) {
        int sum = 0;
        for (int j = 0; j < 4; ++j)
          for (int i = 0; i < 4; ++i) sum += work.GetAddress(x + i, y + j)[3];
        uint8_t *p = work.GetAddress(x, y);
        p[3] = static_cast<uint8_t>(sum >> 4);
        if (sum >> 4) p[0] = p[1] = p[2] = 255;
      }
    }
  });
}

BENCHMARK(KilnBrightness)->Arg(50)->Arg(-50)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainBrightness)->Arg(50)->Arg(-50)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(KilnFade)->Arg(50)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainFade)->Arg(50)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(KilnGray)->Arg(64)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainGray)->Arg(64)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(KilnColorize)->Arg(1)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainColorize)->Arg(1)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(KilnBoxAlpha)->Iterations(kTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainBoxAlpha)->Iterations(kTimes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  qdbg_set_callback([](const char *) {});
  QApp application("bench_filters", "Benchmark");
  application.NoStateManager();
  if (!application.Create()) {
    std::printf("benchmark failed: the application could not be made\n");
    return 1;
  }
  QBitMap picture(32, kSide, kSide);
  uint32_t seed = 7;
  for (int i = 0; i < picture.GetBufferSize(); ++i) {
    seed = seed * 1664525 + 1013904223;
    picture.GetBuffer()[i] = static_cast<uint8_t>(i % 4 == 3 && seed >> 30 == 0 ? 0 : seed >> 24);
  }
  source = &picture;
  brightness = std::make_unique<QFilterBrightness>();
  fade = std::make_unique<QFilterFade>();
  gray = std::make_unique<QFilterGray>();
  colorize = std::make_unique<QFilterColorize>(tint);

  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("Brightness 50, 2048 x 2048", "KilnBrightness/50", "PlainBrightness/50", "(goal: at most 0.5)");
  reporter.PrintRatio("Brightness -50", "KilnBrightness/-50", "PlainBrightness/-50", "(goal: at most 0.5)");
  reporter.PrintRatio("Fade 50", "KilnFade/50", "PlainFade/50", "(goal: at most 0.5)");
  reporter.PrintRatio("Gray 64", "KilnGray/64", "PlainGray/64", "(goal: at most 0.5)");
  reporter.PrintRatio("Colorize", "KilnColorize/1", "PlainColorize/1", "(goal: at most 0.5)");
  reporter.PrintRatio("BoxAlpha 16", "KilnBoxAlpha", "PlainBoxAlpha", "(goal: at most 0.33)");
  brightness.reset();
  fade.reset();
  gray.reset();
  colorize.reset();
  return 0;
}
