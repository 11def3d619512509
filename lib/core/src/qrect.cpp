#include <kiln/qrect.h>

#include <algorithm>

namespace {

// Edges are computed wide: x + width may not fit in 32 bits.
int64_t Right(const QRect &r) { return static_cast<int64_t>(r.x) + r.width; }
int64_t Bottom(const QRect &r) { return static_cast<int64_t>(r.y) + r.height; }

int32_t Narrow(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

void QRect::Set(int32_t rx, int32_t ry, int32_t rwidth, int32_t rheight) {
  x = rx;
  y = ry;
  width = rwidth;
  height = rheight;
}

void QRect::SetPosition(int32_t rx, int32_t ry) {
  x = rx;
  y = ry;
}

void QRect::SetSize(int32_t rwidth, int32_t rheight) {
  width = rwidth;
  height = rheight;
}

bool QRect::Contains(int32_t px, int32_t py) const {
  return x <= px && px < Right(*this) && y <= py && py < Bottom(*this);
}

bool QRect::Overlaps(const QRect &other) const {
  return other.x < Right(*this) && x < Right(other) && other.y < Bottom(*this) && y < Bottom(other);
}

void QRect::Unite(const QRect &other) {
  int64_t left = std::min(x, other.x), top = std::min(y, other.y);
  int64_t right = std::max(Right(*this), Right(other)), bottom = std::max(Bottom(*this), Bottom(other));
  Set(Narrow(left), Narrow(top), Narrow(right - left), Narrow(bottom - top));
}

void QRect::Clip(const QRect &other) {
  int64_t left = std::max(x, other.x), top = std::max(y, other.y);
  int64_t right = std::min(Right(*this), Right(other)), bottom = std::min(Bottom(*this), Bottom(other));
  if (right <= left || bottom <= top) {
    Set(Narrow(left), Narrow(top), 0, 0);
    return;
  }
  Set(Narrow(left), Narrow(top), Narrow(right - left), Narrow(bottom - top));
}

void QRect::Inset(int32_t n) {
  int64_t newWidth = static_cast<int64_t>(width) - 2 * static_cast<int64_t>(n);
  int64_t newHeight = static_cast<int64_t>(height) - 2 * static_cast<int64_t>(n);
  x = Narrow(static_cast<int64_t>(x) + n);
  y = Narrow(static_cast<int64_t>(y) + n);
  width = newWidth <= 0 ? 1 : Narrow(newWidth);
  height = newHeight <= 0 ? 1 : Narrow(newHeight);
}
