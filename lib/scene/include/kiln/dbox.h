// An axis-aligned box: the minimum corner and the maximum corner.
#pragma once

#include <kiln/dvector3.h>

class DBox {
public:
  DVector3 min, max;

  DBox() = default;
  DBox(const DVector3 &min, const DVector3 &max) : min(min), max(max) {}

  void Reset() { min = max = DVector3(); }
  void Set(const DVector3 &newMin, const DVector3 &newMax) {
    min = newMin;
    max = newMax;
  }
  // Half the length of the diagonal.
  float GetRadius() const;
  // Grows to hold the other box as well.
  void Extend(const DBox &other);
  // Minimum inclusive, maximum exclusive on every axis.
  bool Contains(float x, float y, float z) const;
  float GetVolume() const;
  void DbgPrint(const char *title) const;
};
