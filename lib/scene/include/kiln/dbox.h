/// \file
/// DBox, an axis-aligned box.
#pragma once

#include <kiln/dvector3.h>

/// An axis-aligned box: the minimum corner and the maximum corner.
class DBox {
public:
  DVector3 min;  ///< the corner with the smallest coordinates
  DVector3 max;  ///< the corner with the largest coordinates

  /// Both corners at the origin.
  DBox() = default;
  /// The box between the corners.
  DBox(const DVector3 &min, const DVector3 &max) : min(min), max(max) {}

  /// Both corners to the origin.
  void Reset() { min = max = DVector3(); }
  /// Both corners.
  void Set(const DVector3 &newMin, const DVector3 &newMax) {
    min = newMin;
    max = newMax;
  }
  /// Half the length of the diagonal.
  float GetRadius() const;
  /// Grows to hold the other box as well.
  void Extend(const DBox &other);
  /// Minimum inclusive, maximum exclusive on every axis.
  bool Contains(float x, float y, float z) const;
  /// Width times height times depth.
  float GetVolume() const;
  /// Prints the corners under the title on the debug output.
  void DbgPrint(const char *title) const;
};
