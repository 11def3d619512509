// A point or direction in 3D: three floats.
#pragma once

#include <cmath>

struct DVector3 {
  float x = 0, y = 0, z = 0;

  DVector3() = default;
  DVector3(float x, float y, float z) : x(x), y(y), z(z) {}

  DVector3 operator+(const DVector3 &other) const { return {x + other.x, y + other.y, z + other.z}; }
  DVector3 operator-(const DVector3 &other) const { return {x - other.x, y - other.y, z - other.z}; }
  DVector3 operator*(float factor) const { return {x * factor, y * factor, z * factor}; }
  bool operator==(const DVector3 &other) const { return x == other.x && y == other.y && z == other.z; }

  float Dot(const DVector3 &other) const { return x * other.x + y * other.y + z * other.z; }
  DVector3 Cross(const DVector3 &other) const {
    return {y * other.z - z * other.y, z * other.x - x * other.z, x * other.y - y * other.x};
  }
  float Length() const { return std::sqrt(Dot(*this)); }
};
