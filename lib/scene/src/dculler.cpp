#include <kiln/dculler.h>

#include <kiln/qdebug.h>

#include <GL/gl.h>

#include <cmath>

void DCuller::Update() {
  DMatrix4 currentProjection, currentModelView;
  glGetFloatv(GL_PROJECTION_MATRIX, currentProjection.m);
  glGetFloatv(GL_MODELVIEW_MATRIX, currentModelView.m);
  Update(currentProjection, currentModelView);
}

void DCuller::Update(const DMatrix4 &newProjection, const DMatrix4 &newModelView) {
  projection = newProjection;
  modelView = newModelView;
  clip = projection;
  clip.Multiply(modelView);

  // Each plane is the bottom row of the clip matrix plus or minus another.
  static const struct {
    int row;
    float sign;
  } kFromRows[kPlanes] = {{0, -1}, {0, 1}, {1, 1}, {1, -1}, {2, -1}, {2, 1}};
  for (int i = 0; i < kPlanes; ++i) {
    float v[4];
    for (int column = 0; column < 4; ++column) {
      v[column] = clip.At(3, column) + kFromRows[i].sign * clip.At(kFromRows[i].row, column);
    }
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0) {
      for (float &value : v) value /= length;
    }
    planes[i] = DPlane3(DVector3(v[0], v[1], v[2]), v[3]);
    signMasks[i] = (v[0] > 0 ? 1 : 0) | (v[1] > 0 ? 2 : 0) | (v[2] > 0 ? 4 : 0);
    for (int axis = 0; axis < 3; ++axis) {
      const bool towardsMax = signMasks[i] >> axis & 1;
      farthestCorner[i][axis] = towardsMax ? 3 + axis : axis;
      nearestCorner[i][axis] = towardsMax ? axis : 3 + axis;
    }
  }
}

namespace {

// n·p + d for the corner whose coordinates are at the given indices of a
// box's six values (minimum x, y, z, maximum x, y, z).
inline float CornerValue(const DPlane3 &plane, const int corner[3], const float values[6]) {
  return plane.normal.x * values[corner[0]] + plane.normal.y * values[corner[1]] +
         plane.normal.z * values[corner[2]] + plane.distance;
}

}  // namespace

int DCuller::BoxInView(const DBox &box) const {
  const float values[6] = {box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z};
  // First the corners farthest along each normal: most boxes lie outside,
  // and one well-predicted branch after all six planes is cheaper than a
  // branch per plane that goes either way.
  bool outside = false;
  for (int i = 0; i < kPlanes; ++i) outside |= CornerValue(planes[i], farthestCorner[i], values) < 0;
  if (outside) return -1;
  // Then the opposite corners: inside all planes, or across one.
  for (int i = 0; i < kPlanes; ++i) {
    if (CornerValue(planes[i], nearestCorner[i], values) < 0) return 0;
  }
  return 1;
}

void DCuller::DbgPrint(const char *title) const {
  qdbg("DCuller: [%s]\n", title ? title : "");
  qdbg("  ");
  planes[kRight].DbgPrint("right");
  planes[kLeft].DbgPrint("left");
  planes[kTop].DbgPrint("top");
  planes[kBottom].DbgPrint("bottom");
  planes[kFar].DbgPrint("far");
  planes[kNear].DbgPrint("near");
}
