#include <kiln/dplane3.h>

#include <kiln/qdebug.h>

DPlane3::DPlane3(const DVector3 &p1, const DVector3 &p2, const DVector3 &p3) {
  normal = (p1 - p3).Cross(p2 - p3);
  float length = normal.Length();
  if (length < 0.00001f) {
    normal = DVector3();
    distance = 0;
    return;
  }
  normal = normal * (1 / length);
  distance = -normal.Dot(p1);
}

DPlane3::Side DPlane3::Classify(const DVector3 &point) const {
  float value = Evaluate(point);
  if (value > kOnPlaneBand) return kInFront;
  if (value < -kOnPlaneBand) return kBehind;
  return kOnPlane;
}

void DPlane3::DbgPrint(const char *title) const {
  qdbg("DPlane3: normal(%8.2f,%8.2f,%8.2f), distance %8.2f [%s]\n", normal.x, normal.y, normal.z, distance,
       title ? title : "");
}
