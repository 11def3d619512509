// Table filters and box filters over 32-bit pixels.
#include <kiln/qbitmap.h>

#include <kiln/qcolor.h>
#include <kiln/qdebug.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

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
  // Four pixels a step: the loop is all there is to it.
  uint8_t *alpha = GetBuffer() + kAlpha;
  const std::size_t pixels = static_cast<std::size_t>(GetWidth()) * GetHeight();
  std::size_t i = 0;
  for (; i + 4 <= pixels; i += 4, alpha += 16) {
    const uint8_t a0 = table[alpha[0]], a1 = table[alpha[4]], a2 = table[alpha[8]], a3 = table[alpha[12]];
    alpha[0] = a0;
    alpha[4] = a1;
    alpha[8] = a2;
    alpha[12] = a3;
  }
  for (; i < pixels; ++i, alpha += 4) *alpha = table[*alpha];
}

void QBitMap::Gray(int weight) {
  if (!Is32()) return;
  struct Tables {
    uint8_t red[256], green[256], blue[256];
    Tables() {
      for (int v = 0; v < 256; ++v) {
        red[v] = static_cast<uint8_t>(29 * v / 100);
        green[v] = static_cast<uint8_t>(29 * v / 50);
        blue[v] = static_cast<uint8_t>(13 * v / 100);
      }
    }
  };
  static const Tables tables;
  const int w = std::clamp(weight, 0, 128);
  if (w == 0) return;
  // Each channel x of a pixel of grey level g becomes mixed[g][x]; levels
  // reach 73 + 147 + 33.
  constexpr int kLevels = 254;
  std::vector<uint8_t> mixed(static_cast<std::size_t>(kLevels) * 256);
  for (int g = 0; g < kLevels; ++g) {
    for (int x = 0; x < 256; ++x) mixed[static_cast<std::size_t>(g) * 256 + x] = static_cast<uint8_t>(x + (g - x) * w / 128);
  }
  ForEachPixel(GetBuffer(), GetWidth(), GetHeight(), [&](uint8_t *p) {
    const uint8_t *row = mixed.data() + (tables.red[p[kRed]] + tables.green[p[kGreen]] + tables.blue[p[kBlue]]) * 256;
    p[kRed] = row[p[kRed]];
    p[kGreen] = row[p[kGreen]];
    p[kBlue] = row[p[kBlue]];
  });
}

void QBitMap::Colorize(const QColor &color, int amount) {
  qdbg("QFilter0Colorize\n");
  if (!Is32() || amount == 0) return;
  // The grey level is the weighted sum / 100; each sum maps straight to the
  // colour's red, green and blue at that level, as the bytes of a pixel
  // (alpha left 0, to take the pixel's own).
  constexpr int kSums = 255 * 100 + 1;
  uint16_t fromRed[256], fromGreen[256], fromBlue[256];
  for (int v = 0; v < 256; ++v) {
    fromRed[v] = static_cast<uint16_t>(v * 29);
    fromGreen[v] = static_cast<uint16_t>(v * 58);
    fromBlue[v] = static_cast<uint16_t>(v * 13);
  }
  std::vector<uint32_t> bySum(kSums);
  for (int sum = 0; sum < kSums; ++sum) {
    const int grey = sum / 100;
    const uint8_t bytes[4] = {static_cast<uint8_t>(color.GetRed() * grey / 255),
                              static_cast<uint8_t>(color.GetGreen() * grey / 255),
                              static_cast<uint8_t>(color.GetBlue() * grey / 255), 0};
    std::memcpy(&bySum[static_cast<std::size_t>(sum)], bytes, 4);
  }
  const uint8_t alphaBytes[4] = {0, 0, 0, 255};
  uint32_t alphaMask;
  std::memcpy(&alphaMask, alphaBytes, 4);
  ForEachPixel(GetBuffer(), GetWidth(), GetHeight(), [&](uint8_t *p) {
    uint32_t pixel;
    std::memcpy(&pixel, p, 4);
    pixel = (pixel & alphaMask) | bySum[fromRed[p[kRed]] + fromGreen[p[kGreen]] + fromBlue[p[kBlue]]];
    std::memcpy(p, &pixel, 4);
  });
}

void QBitMap::BoxAlpha(int size) {
  if (!Is32()) return;
  const int k = size == 4 ? 2 : size == 9 ? 3 : size == 16 ? 4 : 0;
  const int w = GetWidth(), h = GetHeight();
  if (!k || w < k || h < k) return;
  // Running sums: the alpha of each column over the k rows of the block,
  // then across k columns. A row is written while its blocks are summed, so
  // the alpha it had is kept to be taken off the column sums later.
  std::vector<int> columns(static_cast<std::size_t>(w), 0);
  std::vector<uint8_t> leaving(static_cast<std::size_t>(w));
  auto alphaAt = [&](int x, int y) { return GetAddress(x, y)[kAlpha]; };
  for (int y = 0; y < k - 1; ++y) {
    for (int x = 0; x < w; ++x) columns[static_cast<std::size_t>(x)] += alphaAt(x, y);
  }
  for (int y = 0; y + k <= h; ++y) {
    const uint8_t *entering = GetAddress(0, y + k - 1);
    uint8_t *row = GetAddress(0, y);
    for (int x = 0; x < w; ++x) {
      columns[static_cast<std::size_t>(x)] += entering[x * 4 + kAlpha];
      leaving[static_cast<std::size_t>(x)] = row[x * 4 + kAlpha];
    }
    int sum = 0;
    for (int x = 0; x < k - 1; ++x) sum += columns[static_cast<std::size_t>(x)];
    for (int x = 0; x + k <= w; ++x) {
      sum += columns[static_cast<std::size_t>(x + k - 1)];
      const int mean = k == 2 ? sum >> 2 : k == 3 ? sum / 9 : sum >> 4;
      uint8_t *p = row + x * 4;
      p[kAlpha] = static_cast<uint8_t>(mean);
      if (mean) p[kRed] = p[kGreen] = p[kBlue] = 255;
      sum -= columns[static_cast<std::size_t>(x)];
    }
    for (int x = 0; x < w; ++x) columns[static_cast<std::size_t>(x)] -= leaving[static_cast<std::size_t>(x)];
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

namespace {

void Paint(uint8_t *p, int rgb) {
  p[kRed] = static_cast<uint8_t>(rgb >> 16);
  p[kGreen] = static_cast<uint8_t>(rgb >> 8);
  p[kBlue] = static_cast<uint8_t>(rgb);
  p[kAlpha] = 255;
}

}  // namespace

void QBitMap::GrowShapes(int rgb) {
  if (!Is32()) return;
  const int w = GetWidth(), h = GetHeight();
  // Which pixels had red, before any was coloured.
  std::vector<uint8_t> red(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) red[static_cast<std::size_t>(y) * w + x] = GetAddress(x, y)[kRed] != 0;
  }
  auto hadRed = [&](int x, int y) { return x >= 0 && x < w && y >= 0 && y < h && red[static_cast<std::size_t>(y) * w + x]; };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t *p = GetAddress(x, y);
      if (p[0] | p[1] | p[2] | p[3]) continue;
      if (hadRed(x - 1, y) || hadRed(x + 1, y) || hadRed(x, y - 1) || hadRed(x, y + 1)) Paint(p, rgb);
    }
  }
}

void QBitMap::DropShadow(int columns, int rows, int rgb) {
  if (!Is32()) return;
  const int w = GetWidth(), h = GetHeight();
  // Rows here count from the bottom, as the memory's: down is lower.
  std::vector<uint8_t> opaque(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) opaque[static_cast<std::size_t>(y) * w + x] = GetAddress(x, y)[kAlpha] != 0;
  }
  for (int y = 0; y < h; ++y) {
    const int64_t to = static_cast<int64_t>(y) - rows;
    if (to < 0 || to >= h) continue;
    for (int x = 0; x < w; ++x) {
      const int64_t across = static_cast<int64_t>(x) + columns;
      if (!opaque[static_cast<std::size_t>(y) * w + x] || across < 0 || across >= w) continue;
      if (opaque[static_cast<std::size_t>(to) * w + across]) continue;
      Paint(GetAddress(static_cast<int>(across), static_cast<int>(to)), rgb);
    }
  }
}
