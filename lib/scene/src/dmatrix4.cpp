#include <kiln/dmatrix4.h>

#include <kiln/dplane3.h>
#include <kiln/qdebug.h>

#include <cmath>
#include <cstdio>

void DMatrix4::SetIdentity() {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void DMatrix4::Multiply(const DMatrix4 &other) {
  float product[16];
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += At(row, k) * other.At(k, column);
      product[column * 4 + row] = sum;
    }
  }
  for (int i = 0; i < 16; ++i) m[i] = product[i];
}

void DMatrix4::Scale(float sx, float sy, float sz) {
  for (int row = 0; row < 4; ++row) {
    At(row, 0) *= sx;
    At(row, 1) *= sy;
    At(row, 2) *= sz;
  }
}

void DMatrix4::Translate(const DVector3 &offset) {
  m[12] += offset.x;
  m[13] += offset.y;
  m[14] += offset.z;
}

void DMatrix4::Transpose() {
  for (int row = 0; row < 4; ++row) {
    for (int column = row + 1; column < 4; ++column) {
      float kept = At(row, column);
      At(row, column) = At(column, row);
      At(column, row) = kept;
    }
  }
}

void DMatrix4::TransformVector(const DVector3 &in, DVector3 &out) const {
  out = DVector3(m[0] * in.x + m[4] * in.y + m[8] * in.z, m[1] * in.x + m[5] * in.y + m[9] * in.z,
                 m[2] * in.x + m[6] * in.y + m[10] * in.z);
}

// A rotation that turns axis a towards axis b.
void DMatrix4::SetPlaneRotation(int a, int b, float angle) {
  SetIdentity();
  const float c = std::cos(angle), s = std::sin(angle);
  At(a, a) = c;
  At(b, a) = s;
  At(a, b) = -s;
  At(b, b) = c;
}

void DMatrix4::SetRotateX(float angle) { SetPlaneRotation(1, 2, angle); }

void DMatrix4::SetRotateY(float angle) { SetPlaneRotation(2, 0, angle); }

void DMatrix4::SetRotateZ(float angle) { SetPlaneRotation(0, 1, angle); }

void DMatrix4::SetRotateEuler(float yAngle, float xAngle, float zAngle) {
  DMatrix4 x, y;
  SetRotateZ(zAngle);
  x.SetRotateX(xAngle);
  y.SetRotateY(yAngle);
  Multiply(x);
  Multiply(y);
}

void DMatrix4::SetShadow(const DPlane3 &plane, const DVector3 &light, float w) {
  const float p[4] = {plane.normal.x, plane.normal.y, plane.normal.z, plane.distance};
  const float l[4] = {light.x, light.y, light.z, w};
  const float dot = p[0] * l[0] + p[1] * l[1] + p[2] * l[2] + p[3] * l[3];
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) At(row, column) = (row == column ? dot : 0) - l[row] * p[column];
  }
}

void DMatrix4::SetShadowFromPointLight(const DPlane3 &plane, const DVector3 &light) { SetShadow(plane, light, 1); }

void DMatrix4::SetShadowFromDirectionalLight(const DPlane3 &plane, const DVector3 &direction) {
  SetShadow(plane, direction, 0);
}

void DMatrix4::FromMatrix3(const DMatrix3 &rotation) {
  SetIdentity();
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) At(row, column) = rotation.At(row, column);
  }
}

void DMatrix4::ToMatrix3(DMatrix3 &rotation) const {
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) rotation.At(row, column) = At(row, column);
  }
}

void DMatrix4::DbgPrint(const char *title) const {
  qdbg(" _%36s_\n", "");
  for (int row = 0; row < 4; ++row) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " %8.3f %8.3f %8.3f %8.3f", At(row, 0), At(row, 1), At(row, 2),
                  At(row, 3));
    if (row == 0) {
      qdbg("| %s | %s\n", numbers, title ? title : "");
    } else if (row < 3) {
      qdbg("| %s |\n", numbers);
    } else {
      qdbg("|_%s_|\n", numbers);
    }
  }
}
