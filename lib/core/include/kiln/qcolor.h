// One RGBA colour, 8 bits a component.
#pragma once

#include <cstdint>

#include <kiln/qobject.h>

class QColor : public QObject {
public:
  explicit QColor(uint32_t rgba = 0) : rgba(rgba) {}
  QColor(int red, int green, int blue, int alpha = 255) { Set(red, green, blue, alpha); }

  const char *ClassName() const override { return "QColor"; }
  // Prints the colour's value too.
  void DbgPrint() const override;

  void Set(int red, int green, int blue, int alpha = 255);
  void SetRGBA(uint32_t value) { rgba = value; }
  // Red in the top byte, then green, blue and alpha.
  uint32_t GetRGBA() const { return rgba; }
  // 0xRRGGBB.
  uint32_t GetRGB() const { return rgba >> 8; }
  int GetRed() const { return static_cast<int>(rgba >> 24); }
  int GetGreen() const { return static_cast<int>((rgba >> 16) & 0xFF); }
  int GetBlue() const { return static_cast<int>((rgba >> 8) & 0xFF); }
  int GetAlpha() const { return static_cast<int>(rgba & 0xFF); }
  void CopyFrom(const QColor &other) { rgba = other.rgba; }

  // "RRGGBB" or "RRGGBBAA" in hex; missing components are 0, a missing
  // alpha 255, characters after the eighth are ignored.
  void SetFromHex(const char *text);

private:
  uint32_t rgba;
};
