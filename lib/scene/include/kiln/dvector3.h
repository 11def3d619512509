/// \file
/// DVector3, a point or direction in 3D.
#pragma once

#include <cmath>

/// A point or direction in 3D: three floats.
struct DVector3 {
  float x = 0;  ///< the first coordinate
  float y = 0;  ///< the second coordinate
  float z = 0;  ///< the third coordinate

  /// The origin.
  DVector3() = default;
  /// The point (x, y, z).
  DVector3(float x, float y, float z) : x(x), y(y), z(z) {}

  /// The sum.
  DVector3 operator+(const DVector3 &other) const { return {x + other.x, y + other.y, z + other.z}; }
  /// The difference.
  DVector3 operator-(const DVector3 &other) const { return {x - other.x, y - other.y, z - other.z}; }
  /// Each coordinate times the factor.
  DVector3 operator*(float factor) const { return {x * factor, y * factor, z * factor}; }
  /// True when every coordinate is equal.
  bool operator==(const DVector3 &other) const { return x == other.x && y == other.y && z == other.z; }

  /// The dot product.
  float Dot(const DVector3 &other) const { return x * other.x + y * other.y + z * other.z; }
  /// The cross product, this × other.
  DVector3 Cross(const DVector3 &other) const {
    return {y * other.z - z * other.y, z * other.x - x * other.z, x * other.y - y * other.x};
  }
  /// The length.
  float Length() const { return std::sqrt(Dot(*this)); }
};
