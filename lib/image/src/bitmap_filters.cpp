// Table filters and box filters over 32-bit pixels.
#include <kiln/qbitmap.h>

#include <kiln/qcolor.h>
#include <kiln/qdebug.h>

#include <algorithm>

namespace {

constexpr int kRed = 0, kGreen = 1, kBlue = 2, kAlpha = 3;

template <typename Visit>
void ForEachPixel(uint8_t *memory, int width, int height, Visit visit) {
  uint8_t *end = memory + static_cast<std::size_t>(width) * height * 4;
  for (uint8_t *p = memory; p < end; p += 4) visit(p);
}

}  // namespace

void QBitMap::Brightness(int amount) {
  if (!Is32() || amount == 0) return;
  uint8_t table[256];
  for (int v = 0; v < 256; ++v) {
    int mapped;
    if (amount < -100) mapped = 0;
    else if (amount < 0) mapped = v * (100 + amount) / 100;
    else mapped = v + std::min(amount, 100) * (255 - v) / 100;
    table[v] = static_cast<uint8_t>(mapped);
  }
  ForEachPixel(GetBuffer(), GetWidth(), GetHeight(), [&](uint8_t *p) {
    p[kRed] = table[p[kRed]];
    p[kGreen] = table[p[kGreen]];
    p[kBlue] = table[p[kBlue]];
  });
}

void QBitMap::Fade(int amount) {
  if (!Is32() || amount == 0) return;
  uint8_t table[256];
  for (int v = 0; v < 256; ++v) {
    int mapped;
    if (amount < -100) mapped = 255;
    else if (amount < 0) mapped = v + (-amount) * (255 - v) / 100;
    else if (amount <= 100) mapped = v * (100 - amount) / 100;
    else mapped = 0;
    table[v] = static_cast<uint8_t>(mapped);
  }
  ForEachPixel(GetBuffer(), GetWidth(), GetHeight(), [&](uint8_t *p) { p[kAlpha] = table[p[kAlpha]]; });
}

void QBitMap::Gray(int weight) {
  if (!Is32()) return;
  struct Tables {
    int red[256], green[256], blue[256];
    Tables() {
      for (int v = 0; v < 256; ++v) {
        red[v] = 29 * v / 100;
        green[v] = 29 * v / 50;
        blue[v] = 13 * v / 100;
      }
    }
  };
  static const Tables tables;
  const int w = std::clamp(weight, 0, 128);
  ForEachPixel(GetBuffer(), GetWidth(), GetHeight(), [&](uint8_t *p) {
    int g = tables.red[p[kRed]] + tables.green[p[kGreen]] + tables.blue[p[kBlue]];
    for (int c = kRed; c <= kBlue; ++c) p[c] = static_cast<uint8_t>(p[c] + (g - p[c]) * w / 128);
  });
}

void QBitMap::Colorize(const QColor &color, int amount) {
  qdbg("QFilter0Colorize\n");
  if (!Is32() || amount == 0) return;
  const int r = color.GetRed(), g = color.GetGreen(), b = color.GetBlue();
  ForEachPixel(GetBuffer(), GetWidth(), GetHeight(), [&](uint8_t *p) {
    int grey = (p[kRed] * 29 + p[kGreen] * 58 + p[kBlue] * 13) / 100;
    p[kRed] = static_cast<uint8_t>(r * grey / 255);
    p[kGreen] = static_cast<uint8_t>(g * grey / 255);
    p[kBlue] = static_cast<uint8_t>(b * grey / 255);
  });
}

void QBitMap::BoxAlpha(int size) {
  if (!Is32()) return;
  int k = size == 4 ? 2 : size == 9 ? 3 : size == 16 ? 4 : 0;
  if (!k) return;
  for (int y = 0; y + k <= GetHeight(); ++y) {
    for (int x = 0; x + k <= GetWidth(); ++x) {
      int sum = 0;
      for (int j = 0; j < k; ++j) {
        const uint8_t *row = GetAddress(x, y + j);
        for (int i = 0; i < k; ++i) sum += row[i * 4 + kAlpha];
      }
      int mean = k == 2 ? sum >> 2 : k == 3 ? sum / 9 : sum >> 4;
      uint8_t *p = GetAddress(x, y);
      p[kAlpha] = static_cast<uint8_t>(mean);
      if (mean) p[kRed] = p[kGreen] = p[kBlue] = 255;
    }
  }
}

void QBitMap::AlphaToGray() {
  if (!Is32()) return;
  ForEachPixel(GetBuffer(), GetWidth(), GetHeight(), [](uint8_t *p) {
    if (p[kAlpha]) {
      p[kRed] = p[kGreen] = p[kBlue] = p[kAlpha];
    } else {
      p[kRed] = p[kGreen] = p[kBlue] = 0;
    }
  });
}
