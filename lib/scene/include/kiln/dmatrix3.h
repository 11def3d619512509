// A 3×3 float matrix, stored row after row.
#pragma once

class DMatrix3 {
public:
  float m[9];

  DMatrix3() { SetIdentity(); }
  void SetIdentity();
  float &At(int row, int column) { return m[row * 3 + column]; }
  float At(int row, int column) const { return m[row * 3 + column]; }

  // this = this × other.
  void Multiply(const DMatrix3 &other);
  // The rotation of a unit quaternion given as w, x, y, z.
  void FromQuaternion(const float quaternion[4]);
  // The same for a quaternion of squared length `squaredLength`.
  void FromQuaternion(const float quaternion[4], float squaredLength);
  void DbgPrint(const char *title) const;
};
