/// \file
/// QColor, one RGBA colour.
#pragma once

#include <cstdint>

#include <kiln/qobject.h>

/// One RGBA colour, 8 bits a component.
class QColor : public QObject {
public:
  /// From a value as GetRGBA() gives it; transparent black by default.
  explicit QColor(uint32_t rgba = 0) : rgba(rgba) {}
  /// From components 0 to 255 (each cut to its lowest 8 bits).
  QColor(int red, int green, int blue, int alpha = 255) { Set(red, green, blue, alpha); }

  const char *ClassName() const override { return "QColor"; }
  /// Prints the colour's value too.
  void DbgPrint() const override;

  /// Components 0 to 255 (each cut to its lowest 8 bits).
  void Set(int red, int green, int blue, int alpha = 255);
  /// A value as GetRGBA() gives it.
  void SetRGBA(uint32_t value) { rgba = value; }
  /// Red in the top byte, then green, blue and alpha.
  uint32_t GetRGBA() const { return rgba; }
  /// 0xRRGGBB.
  uint32_t GetRGB() const { return rgba >> 8; }
  ///@{
  /// One component, 0 to 255.
  int GetRed() const { return static_cast<int>(rgba >> 24); }
  int GetGreen() const { return static_cast<int>((rgba >> 16) & 0xFF); }
  int GetBlue() const { return static_cast<int>((rgba >> 8) & 0xFF); }
  int GetAlpha() const { return static_cast<int>(rgba & 0xFF); }
  ///@}
  /// Takes the other's value (not its name).
  void CopyFrom(const QColor &other) { rgba = other.rgba; }

  /// "RRGGBB" or "RRGGBBAA" in hex; missing components are 0, a missing
  /// alpha 255, characters after the eighth are ignored.
  void SetFromHex(const char *text);

private:
  uint32_t rgba;
};
