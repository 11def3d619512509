#include <kiln/dmatrix3.h>

#include <kiln/qdebug.h>

void DMatrix3::SetIdentity() {
  for (int i = 0; i < 9; ++i) m[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

void DMatrix3::Multiply(const DMatrix3 &other) {
  float product[9];
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      product[row * 3 + column] = At(row, 0) * other.At(0, column) + At(row, 1) * other.At(1, column) +
                                  At(row, 2) * other.At(2, column);
    }
  }
  for (int i = 0; i < 9; ++i) m[i] = product[i];
}

void DMatrix3::FromQuaternion(const float quaternion[4]) { FromQuaternion(quaternion, 1.0f); }

void DMatrix3::FromQuaternion(const float q[4], float squaredLength) {
  const float w = q[0], x = q[1], y = q[2], z = q[3];
  const float s = squaredLength != 0 ? 2 / squaredLength : 0;
  m[0] = 1 - s * (y * y + z * z);
  m[1] = s * (x * y - w * z);
  m[2] = s * (x * z + w * y);
  m[3] = s * (x * y + w * z);
  m[4] = 1 - s * (x * x + z * z);
  m[5] = s * (y * z - w * x);
  m[6] = s * (x * z - w * y);
  m[7] = s * (y * z + w * x);
  m[8] = 1 - s * (x * x + y * y);
}

void DMatrix3::DbgPrint(const char *title) const {
  qdbg(" ___ [DMatrix3 %s] ___\n", title ? title : "");
  for (int row = 0; row < 3; ++row) qdbg(" | %8.3f %8.3f %8.3f |\n", At(row, 0), At(row, 1), At(row, 2));
}
