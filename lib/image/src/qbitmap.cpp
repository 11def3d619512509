#include <kiln/qbitmap.h>

#include <kiln/qcolor.h>
#include <kiln/qdebug.h>
#include <kiln/qmemory.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr int kRed = 0, kGreen = 1, kBlue = 2, kAlpha = 3;

// Bytes of a bitmap of that shape, or -1 when it can't be held.
long long MemoryBytes(int depth, int width, int height) {
  if (depth <= 0 || width <= 0 || height <= 0) return -1;
  long long bytes = static_cast<long long>(width) * height * ((depth + 7) / 8);
  return bytes > INT_MAX ? -1 : bytes;
}

}  // namespace

QBitMap::QBitMap(int bitDepth, int bitWidth, int bitHeight, int bitFlags) {
  if (bitDepth && bitWidth && bitHeight) {
    Alloc(bitDepth, bitWidth, bitHeight, bitFlags);
  } else {
    depth = bitDepth;
    width = bitWidth;
    height = bitHeight;
    flags = bitFlags;
  }
}

QBitMap::QBitMap(const QBitMap &other) : QDrawable() {
  Alloc(other.depth, other.GetWidth(), other.GetHeight(), other.flags & ~QBM_EXTERNAL);
}

QBitMap::~QBitMap() { FreeMem(); }

QBitMap *QBitMap::Clone(bool copyPixels) const {
  auto *copy = new QBitMap(*this);
  if (copyPixels) copy->CopyPixels(*this);
  return copy;
}

bool QBitMap::Alloc(int bitDepth, int bitWidth, int bitHeight, int bitFlags, uint8_t *block) {
  FreeMem();
  depth = bitDepth;
  width = bitWidth;
  height = bitHeight;
  flags = bitFlags;
  long long bytes = MemoryBytes(depth, width, height);
  memorySize = bytes < 0 ? 0 : static_cast<int>(bytes);
  if (block) {
    memory = block;
    flags |= QBM_EXTERNAL;
    return true;
  }
  flags &= ~QBM_EXTERNAL;
  memory = bytes > 0 ? static_cast<uint8_t *>(QCalloc(static_cast<std::size_t>(bytes))) : nullptr;
  if (!memory) {
    memorySize = 0;
    qwarn("QBitMap::Alloc() failed on %dx%d, depth %d, flags %d\n", width, height, depth, flags);
  }
  return memory != nullptr;
}

void QBitMap::FreeMem() {
  if (!(flags & QBM_EXTERNAL)) QFree(memory);
  memory = nullptr;
  memorySize = 0;
  depth = width = height = 0;
}

void QBitMap::CopyPixels(const QBitMap &other) {
  if (memory && other.memory) std::memcpy(memory, other.memory, static_cast<std::size_t>(std::min(memorySize, other.memorySize)));
}

void QBitMap::CopyFrom(const uint8_t *pixels, int pixelWidth, int pixelHeight, int pixelDepth) {
  if (Alloc(pixelDepth, pixelWidth, pixelHeight, 0, nullptr) && pixels) {
    std::memcpy(memory, pixels, static_cast<std::size_t>(memorySize));
  }
}

bool QBitMap::Is32(const char *operation) const {
  if (memory && depth == 32) return true;
  if (operation) qwarn("QBitMap::%s() only supported for 32-bit", operation);
  return false;
}

// --- pixels --------------------------------------------------------------------

uint8_t *QBitMap::GetAddress(int x, int row) const {
  if (!Is32() || x < 0 || x >= width || row < 0 || row >= height) return nullptr;
  return memory + (static_cast<std::size_t>(row) * width + x) * 4;
}

void QBitMap::GetPixel(int x, int y, QColor *color) const {
  const uint8_t *p = GetAddress(x, height - 1 - y);
  color->Set(p ? p[kRed] : 0, p ? p[kGreen] : 0, p ? p[kBlue] : 0, p ? p[kAlpha] : 0);
}

void QBitMap::SetPixel(int x, int y, const QColor &color) {
  uint8_t *p = GetAddress(x, height - 1 - y);
  if (!p) return;
  p[kRed] = static_cast<uint8_t>(color.GetRed());
  p[kGreen] = static_cast<uint8_t>(color.GetGreen());
  p[kBlue] = static_cast<uint8_t>(color.GetBlue());
  p[kAlpha] = static_cast<uint8_t>(color.GetAlpha());
}

void QBitMap::Clear() {
  if (Is32()) std::memset(memory, 0, static_cast<std::size_t>(width) * height * 4);
}

namespace {

// Cuts a copy of a w x h rectangle from (sx, sy) to (dx, dy) to the parts
// inside both bitmaps; false when nothing is left.
bool ClipCopy(int &sx, int &sy, int &w, int &h, int &dx, int &dy, int sourceWidth, int sourceHeight,
              int destinationWidth, int destinationHeight) {
  auto clipAxis = [](int &s, int &d, int &length, int sourceSize, int destinationSize) {
    int shift = std::max({0, -s, -d});
    s += shift;
    d += shift;
    length -= shift;
    length = std::min({length, sourceSize - s, destinationSize - d});
  };
  clipAxis(sx, dx, w, sourceWidth, destinationWidth);
  clipAxis(sy, dy, h, sourceHeight, destinationHeight);
  return w > 0 && h > 0;
}

}  // namespace

void QBitMap::CopyRect(const QBitMap &source, int sx, int sy, int w, int h, int dx, int dy) {
  if (!Is32("CopyRect") || !source.Is32("CopyRect")) return;
  if (!ClipCopy(sx, sy, w, h, dx, dy, source.width, source.height, width, height)) return;
  for (int j = 0; j < h; ++j) {
    // Top-based rows: the source row may be this bitmap's own, so move.
    const uint8_t *from = source.GetAddress(sx, source.height - 1 - (sy + j));
    uint8_t *to = GetAddress(dx, height - 1 - (dy + j));
    std::memmove(to, from, static_cast<std::size_t>(w) * 4);
  }
}

// --- channels ------------------------------------------------------------------------

void QBitMap::InvertChannel(int channel, int x, int y, int w, int h) {
  if (!Is32("InvertChannel") || channel < 0 || channel > 3) return;
  if (w == -1) w = width;
  if (h == -1) h = height;
  int sx = x, sy = y;
  if (!ClipCopy(sx, sy, w, h, x, y, width, height, width, height)) return;
  for (int j = 0; j < h; ++j) {
    uint8_t *p = GetAddress(x, height - 1 - (y + j));
    for (int i = 0; i < w; ++i, p += 4) p[channel] = static_cast<uint8_t>(~p[channel]);
  }
}

void QBitMap::CopyChannel(const QBitMap &source, int sourceChannel, int destinationChannel, int sx, int sy, int w,
                          int h, int dx, int dy) {
  if (!Is32("CopyChannel") || !source.Is32("CopyChannel")) return;
  if (destinationChannel == -1) destinationChannel = sourceChannel;
  if (sourceChannel < 0 || sourceChannel > 3 || destinationChannel < 0 || destinationChannel > 3) return;
  if (w == -1) w = source.width;
  if (h == -1) h = source.height;
  if (!ClipCopy(sx, sy, w, h, dx, dy, source.width, source.height, width, height)) return;
  for (int j = 0; j < h; ++j) {
    const uint8_t *from = source.GetAddress(sx, source.height - 1 - (sy + j));
    uint8_t *to = GetAddress(dx, height - 1 - (dy + j));
    for (int i = 0; i < w; ++i) to[i * 4 + destinationChannel] = from[i * 4 + sourceChannel];
  }
}

void QBitMap::SwapBytes() {
  if (!memory) return;
  for (int i = 0; i + 4 <= memorySize; i += 4) {
    std::swap(memory[i], memory[i + 3]);
    std::swap(memory[i + 1], memory[i + 2]);
  }
}

// --- alpha and colour keys --------------------------------------------------------

namespace {

template <typename Visit>
void ForEachPixel(uint8_t *memory, int width, int height, Visit visit) {
  uint8_t *end = memory + static_cast<std::size_t>(width) * height * 4;
  for (uint8_t *p = memory; p < end; p += 4) visit(p);
}

}  // namespace

void QBitMap::SetAlpha(int alpha) {
  if (!Is32()) return;
  ForEachPixel(memory, width, height, [alpha](uint8_t *p) { p[kAlpha] = static_cast<uint8_t>(alpha); });
}

void QBitMap::ScaleAlpha(int mul, int div, int add) {
  if (!Is32()) return;
  if (div == 0) {
    qwarn("QBitMap::ScaleAlpha(); divisor 0");
    return;
  }
  ForEachPixel(memory, width, height, [=](uint8_t *p) {
    long long value = static_cast<long long>(p[kAlpha]) * mul / div + add;
    p[kAlpha] = static_cast<uint8_t>(std::clamp<long long>(value, 0, 255));
  });
}

bool QBitMap::HasTransparency() const {
  if (!Is32()) return false;
  const uint8_t *end = memory + static_cast<std::size_t>(width) * height * 4;
  for (const uint8_t *p = memory; p < end; p += 4) {
    if (p[kAlpha] != 255) return true;
  }
  return false;
}

int QBitMap::KeyMagenta() { return KeyColor(0xFF00FF); }

int QBitMap::KeyColor(int rgb) {
  if (!Is32()) return 0;
  int count = 0;
  uint8_t r = static_cast<uint8_t>(rgb >> 16), g = static_cast<uint8_t>(rgb >> 8), b = static_cast<uint8_t>(rgb);
  ForEachPixel(memory, width, height, [&](uint8_t *p) {
    if (p[kRed] == r && p[kGreen] == g && p[kBlue] == b) {
      std::memset(p, 0, 4);
      ++count;
    }
  });
  return count;
}

int QBitMap::KeyColorToAlpha(int rgb) {
  if (!Is32()) return 0;
  int count = 0;
  uint8_t r = static_cast<uint8_t>(rgb >> 16), g = static_cast<uint8_t>(rgb >> 8), b = static_cast<uint8_t>(rgb);
  ForEachPixel(memory, width, height, [&](uint8_t *p) {
    bool key = p[kRed] == r && p[kGreen] == g && p[kBlue] == b;
    p[kAlpha] = key ? 0 : 255;
    count += key;
  });
  return count;
}

void QBitMap::MaskFromAlpha() {
  if (!Is32()) return;
  ForEachPixel(memory, width, height, [](uint8_t *p) {
    uint8_t value = p[kAlpha] ? 255 : 0;
    p[kRed] = p[kGreen] = p[kBlue] = value;
  });
}

void QBitMap::ClearTransparent() {
  if (!Is32()) return;
  ForEachPixel(memory, width, height, [](uint8_t *p) {
    if (!p[kAlpha]) p[kRed] = p[kGreen] = p[kBlue] = 0;
  });
}

void QBitMap::SetWhite() {
  if (!Is32()) return;
  ForEachPixel(memory, width, height, [](uint8_t *p) { p[kRed] = p[kGreen] = p[kBlue] = 255; });
}

void QBitMap::Lut(int level, bool anyAlpha) {
  qdbg("QBitMap:Lut(%d)\n", level);
  if (!Is32()) return;
  ForEachPixel(memory, width, height, [=](uint8_t *p) {
    bool selected = anyAlpha ? p[kAlpha] != 0 : p[kAlpha] > 253;
    int luminance = (p[kRed] * 29 + p[kGreen] * 58 + p[kBlue] * 13) / 100;
    if (selected && luminance < level) p[kRed] = p[kGreen] = p[kBlue] = static_cast<uint8_t>(level);
  });
}

void QBitMap::SoftenAlpha(int type) {
  if (!Is32()) return;
  if (type >= 2 && type <= 4) {
    static const int kSizes[] = {4, 9, 16};
    BoxAlpha(kSizes[type - 2]);
    return;
  }
  if (type != 0 && type != 1) return;
  static const uint8_t kByTransparentNeighbours[] = {255, 110, 98, 80, 70, 60, 55, 57, 28};
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  for (int row = 1; row < height - 1; ++row) {
    for (int x = 1; x < width - 1; ++x) {
      uint8_t *p = GetAddress(x, row);
      if (!p[kAlpha]) continue;
      int transparent = 0, sum = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          int alpha = p[static_cast<std::ptrdiff_t>(dy) * static_cast<std::ptrdiff_t>(stride) + dx * 4 + kAlpha];
          sum += alpha;
          if ((dx || dy) && !alpha) ++transparent;
        }
      }
      p[kAlpha] = type == 0 ? kByTransparentNeighbours[transparent] : static_cast<uint8_t>(sum / 9);
    }
  }
}
