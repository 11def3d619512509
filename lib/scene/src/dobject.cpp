#include <kiln/dobject.h>

void DObject::SetTransform(float px, float py, float pz, float rx, float ry, float rz, float sx, float sy, float sz) {
  SetPosition(px, py, pz);
  SetRotation(rx, ry, rz);
  scale[0] = sx;
  scale[1] = sy;
  scale[2] = sz;
}

void DObject::SetPosition(float x, float y, float z) {
  position[0] = x;
  position[1] = y;
  position[2] = z;
}

void DObject::SetRotation(float x, float y, float z) {
  rotation[0] = x;
  rotation[1] = y;
  rotation[2] = z;
}
