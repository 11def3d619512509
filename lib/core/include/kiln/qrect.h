/// \file
/// Rectangles (origin at the top left, y down) and points.
#pragma once

#include <cstdint>

/// A point.
struct QPoint {
  int32_t x = 0;  ///< to the right
  int32_t y = 0;  ///< down

  /// Both coordinates.
  void Set(int32_t px, int32_t py) {
    x = px;
    y = py;
  }
  /// Back to (0, 0).
  void Clear() { x = y = 0; }
};

/// A rectangle: its top left corner and its size.
struct QRect {
  int32_t x = 0;       ///< the left edge
  int32_t y = 0;       ///< the top edge
  int32_t width = 0;   ///< in pixels
  int32_t height = 0;  ///< in pixels

  /// Corner and size.
  void Set(int32_t rx, int32_t ry, int32_t rwidth, int32_t rheight);
  /// The corner; the size stays.
  void SetPosition(int32_t rx, int32_t ry);
  /// The size; the corner stays.
  void SetSize(int32_t rwidth, int32_t rheight);
  /// Takes the other's corner and size.
  void CopyFrom(const QRect &other) { *this = other; }

  /// True when the point lies inside (the right and bottom edges excluded).
  bool Contains(int32_t px, int32_t py) const;
  /// True when the two share at least one point.
  bool Overlaps(const QRect &other) const;
  /// Grows to the smallest rectangle holding both.
  void Unite(const QRect &other);
  /// Shrinks to the intersection; width and height 0 when nothing is left.
  void Clip(const QRect &other);
  /// Moves each edge inwards by n; a side that would vanish becomes 1.
  void Inset(int32_t n);
  /// True when it holds no pixel.
  bool IsEmpty() const { return width <= 0 || height <= 0; }
  /// Width times height.
  int64_t Area() const { return static_cast<int64_t>(width) * height; }
};
