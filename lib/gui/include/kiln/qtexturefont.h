/// \file
/// QTextureFont, what the drawing layer asks of a texture font, and its loader.
#pragma once

class QColor;

/// A font drawn from a texture, which the 3D library provides. A QFont of
/// size 0 loads one by name through the loader that library registers: this
/// layer knows nothing of it beyond these operations.
class QTextureFont {
public:
  virtual ~QTextureFont() = default;

  /// Bit 0 is copied into the QFont's flags.
  virtual int GetFlags() const = 0;
  /// The height of a line, scaled.
  virtual float GetHeight() const = 0;
  /// The advance of one character code, scaled; 0 without a glyph.
  virtual float GetCharWidth(int code) const = 0;
  /// The first `count` bytes (-1: all of them), without overhang.
  virtual float GetWidth(const char *text, int count) const = 0;
  /// Scales the glyphs across and up.
  virtual void SetScale(float x, float y) = 0;
  /// Draws with the pen starting at (x, y), OpenGL window coordinates.
  virtual void Paint(const char *text, float x, float y, int count, const QColor &color) = 0;
};

/// Loads the texture font of that name; null when it doesn't load.
using QTextureFontLoader = QTextureFont *(*)(const char *name);
/// Registered by the 3D library; none until then.
void QFontSetTextureFontLoader(QTextureFontLoader loader);
