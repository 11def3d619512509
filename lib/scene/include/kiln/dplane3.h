// A plane: the points p with n·p + d = 0; n·p + d > 0 is its inner side.
#pragma once

#include <kiln/dvector3.h>

class DPlane3 {
public:
  // Where a point lies. Points closer to the plane than kOnPlaneBand are on
  // it, so that rounding does not flip points lying in the plane.
  enum Side { kInFront = 0, kBehind = 1, kOnPlane = 2 };
  static constexpr float kOnPlaneBand = 0.00001f;

  DVector3 normal{0, 1, 0};
  float distance = 0;

  DPlane3() = default;
  DPlane3(const DVector3 &normal, float distance) : normal(normal), distance(distance) {}
  // Through three points, facing the side from which they run
  // counter-clockwise; collinear points give normal (0, 0, 0).
  DPlane3(const DVector3 &p1, const DVector3 &p2, const DVector3 &p3);

  // n·p + d.
  float Evaluate(const DVector3 &point) const { return normal.Dot(point) + distance; }
  bool IsBehind(const DVector3 &point) const { return Evaluate(point) < 0; }
  Side Classify(const DVector3 &point) const;
  void DbgPrint(const char *title) const;
};
