#include <kiln/dbox.h>

#include <kiln/qdebug.h>

#include <algorithm>

float DBox::GetRadius() const { return (max - min).Length() / 2; }

void DBox::Extend(const DBox &other) {
  min = {std::min(min.x, other.min.x), std::min(min.y, other.min.y), std::min(min.z, other.min.z)};
  max = {std::max(max.x, other.max.x), std::max(max.y, other.max.y), std::max(max.z, other.max.z)};
}

bool DBox::Contains(float x, float y, float z) const {
  return min.x <= x && x < max.x && min.y <= y && y < max.y && min.z <= z && z < max.z;
}

float DBox::GetVolume() const { return (max.x - min.x) * (max.y - min.y) * (max.z - min.z); }

void DBox::DbgPrint(const char *title) const {
  qdbg("Box (%.2f,%.2f,%.2f)-(%.2f,%.2f,%.2f) [%s]\n", min.x, min.y, min.z, max.x, max.y, max.z, title ? title : "");
}
