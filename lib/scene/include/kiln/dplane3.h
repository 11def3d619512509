/// \file
/// DPlane3, a plane.
#pragma once

#include <kiln/dvector3.h>

/// A plane: the points p with n·p + d = 0; n·p + d > 0 is its inner side.
class DPlane3 {
public:
  /// Where a point lies. Points closer to the plane than kOnPlaneBand are on
  /// it, so that rounding does not flip points lying in the plane.
  enum Side { kInFront = 0, kBehind = 1, kOnPlane = 2 };
  /// How far from the plane a point still lies on it.
  static constexpr float kOnPlaneBand = 0.00001f;

  DVector3 normal{0, 1, 0};  ///< n, pointing to the inner side
  float distance = 0;        ///< d

  /// The plane y = 0.
  DPlane3() = default;
  /// The plane n·p + d = 0.
  DPlane3(const DVector3 &normal, float distance) : normal(normal), distance(distance) {}
  /// Through three points, facing the side from which they run
  /// counter-clockwise; collinear points give normal (0, 0, 0).
  DPlane3(const DVector3 &p1, const DVector3 &p2, const DVector3 &p3);

  /// n·p + d.
  float Evaluate(const DVector3 &point) const { return normal.Dot(point) + distance; }
  /// True on the outer side (n·p + d < 0).
  bool IsBehind(const DVector3 &point) const { return Evaluate(point) < 0; }
  /// Where the point lies.
  Side Classify(const DVector3 &point) const;
  /// Prints the normal and distance under the title on the debug output.
  void DbgPrint(const char *title) const;
};
