// The perspective matrix that glFrustum multiplies on, built by hand.
#pragma once

#include <kiln/dmatrix4.h>

namespace kiln::test {

inline DMatrix4 Frustum(float left, float right, float bottom, float top, float nearPlane, float farPlane) {
  DMatrix4 matrix;
  for (float &element : matrix.m) element = 0;
  matrix.At(0, 0) = 2 * nearPlane / (right - left);
  matrix.At(0, 2) = (right + left) / (right - left);
  matrix.At(1, 1) = 2 * nearPlane / (top - bottom);
  matrix.At(1, 2) = (top + bottom) / (top - bottom);
  matrix.At(2, 2) = -(farPlane + nearPlane) / (farPlane - nearPlane);
  matrix.At(2, 3) = -2 * farPlane * nearPlane / (farPlane - nearPlane);
  matrix.At(3, 2) = -1;
  return matrix;
}

}  // namespace kiln::test
