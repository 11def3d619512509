/// \file
/// DMatrix3, a 3×3 matrix.
#pragma once

/// A 3×3 float matrix, stored row after row.
class DMatrix3 {
public:
  float m[9];  ///< row after row

  /// The identity.
  DMatrix3() { SetIdentity(); }
  /// Makes this the identity.
  void SetIdentity();
  ///@{
  /// The element at a row and column, each 0 to 2.
  float &At(int row, int column) { return m[row * 3 + column]; }
  float At(int row, int column) const { return m[row * 3 + column]; }
  ///@}

  /// this = this × other.
  void Multiply(const DMatrix3 &other);
  /// The rotation of a unit quaternion given as w, x, y, z.
  void FromQuaternion(const float quaternion[4]);
  /// The same for a quaternion of squared length `squaredLength`.
  void FromQuaternion(const float quaternion[4], float squaredLength);
  /// Prints the rows under the title on the debug output.
  void DbgPrint(const char *title) const;
};
