// Rectangles (origin at the top left, y down) and points.
#pragma once

#include <cstdint>

struct QPoint {
  int32_t x = 0;
  int32_t y = 0;

  void Set(int32_t px, int32_t py) {
    x = px;
    y = py;
  }
  void Clear() { x = y = 0; }
};

struct QRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  void Set(int32_t rx, int32_t ry, int32_t rwidth, int32_t rheight);
  void SetPosition(int32_t rx, int32_t ry);
  void SetSize(int32_t rwidth, int32_t rheight);
  void CopyFrom(const QRect &other) { *this = other; }

  bool Contains(int32_t px, int32_t py) const;
  // True when the two share at least one point.
  bool Overlaps(const QRect &other) const;
  // Grows to the smallest rectangle holding both.
  void Unite(const QRect &other);
  // Shrinks to the intersection; width and height 0 when nothing is left.
  void Clip(const QRect &other);
  // Moves each edge inwards by n; a side that would vanish becomes 1.
  void Inset(int32_t n);
  bool IsEmpty() const { return width <= 0 || height <= 0; }
  int64_t Area() const { return static_cast<int64_t>(width) * height; }
};
