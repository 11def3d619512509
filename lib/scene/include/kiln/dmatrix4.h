/// \file
/// DMatrix4, a 4×4 matrix in OpenGL's order.
#pragma once

#include <kiln/dmatrix3.h>
#include <kiln/dvector3.h>

class DPlane3;

/// A 4×4 float matrix in OpenGL's order (column after column; elements 12 to
/// 14 are the translation), so it passes to and from OpenGL unchanged.
/// Points are column vectors: M · p.
class DMatrix4 {
public:
  float m[16];  ///< column after column

  /// The identity.
  DMatrix4() { SetIdentity(); }
  /// Makes this the identity.
  void SetIdentity();
  ///@{
  /// The element at a row and column, each 0 to 3.
  float &At(int row, int column) { return m[column * 4 + row]; }
  float At(int row, int column) const { return m[column * 4 + row]; }
  ///@}

  /// this = this × other: `other` applies first.
  void Multiply(const DMatrix4 &other);
  /// this = this × diag(sx, sy, sz, 1).
  void Scale(float sx, float sy, float sz);
  /// Adds the offset to the translation.
  void Translate(const DVector3 &offset);
  /// Swaps rows and columns.
  void Transpose();
  /// M · (p, 1), divided by the resulting w.
  void TransformPoint(const DVector3 &in, DVector3 &out) const {
    const float x = m[0] * in.x + m[4] * in.y + m[8] * in.z + m[12];
    const float y = m[1] * in.x + m[5] * in.y + m[9] * in.z + m[13];
    const float z = m[2] * in.x + m[6] * in.y + m[10] * in.z + m[14];
    const float w = m[3] * in.x + m[7] * in.y + m[11] * in.z + m[15];
    // Placing transforms leave w at 1, where dividing changes nothing.
    out = w == 1.0f ? DVector3(x, y, z) : DVector3(x / w, y / w, z / w);
  }
  /// The upper-left 3×3 part only.
  void TransformVector(const DVector3 &in, DVector3 &out) const;

  ///@{
  /// Right-handed rotations, angles in radians.
  void SetRotateX(float angle);
  void SetRotateY(float angle);
  void SetRotateZ(float angle);
  ///@}
  /// Rz · Rx · Ry: about Y first, then X, then Z.
  void SetRotateEuler(float yAngle, float xAngle, float zAngle);

  ///@{
  /// Flattens geometry onto the plane as seen from a light at a point, or
  /// from a light shining in a direction.
  void SetShadowFromPointLight(const DPlane3 &plane, const DVector3 &light);
  void SetShadowFromDirectionalLight(const DPlane3 &plane, const DVector3 &direction);
  ///@}

  /// The upper-left 3×3 part; the rest becomes the identity.
  void FromMatrix3(const DMatrix3 &rotation);
  /// The upper-left 3×3 part into `rotation`.
  void ToMatrix3(DMatrix3 &rotation) const;

  /// Prints the rows under the title on the debug output.
  void DbgPrint(const char *title) const;

private:
  void SetPlaneRotation(int a, int b, float angle);
  /// (P·L) I − L Pᵀ with L = (light, w).
  void SetShadow(const DPlane3 &plane, const DVector3 &light, float w);
};
