/// \file
/// QFont, the fonts of canvases.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>

#include <kiln/qobject.h>
#include <kiln/qstring.h>

class QTextureFont;

/// Flags of a font.
enum QFontFlags {
  QFONT_TEXTURE_FLAG = 1  ///< copied from the texture font's flags
};

/// The font of a canvas: an X bitmap font, loaded by a name built from a
/// family, size, weight, slant and width and turned into one OpenGL display
/// list per character, or a texture font of the 3D library (size 0).
class QFont : public QObject {
public:
  static constexpr int kLists = 256;  ///< one per byte, whatever the font holds

  /// Slant 0-3 (*, r, i, o), weight 0-4 (*, medium, bold, demi, regular),
  /// width 0-3 (*, normal, narrow, condensed); size 0 is a texture font.
  QFont(const char *family, int size = 0, int slant = 1, int weight = 0, int width = 0);
  /// Frees the X font and deletes the display lists Create() reserved.
  ~QFont() override;

  const char *ClassName() const override { return "QFont"; }
  void DbgPrint() const override;

  ///@{
  /// Only before Create(); 100 is the only resolution on this platform.
  void SetResX(int x);
  void SetResY(int y);
  ///@}
  /// For texture fonts only.
  void SetScale(float x, float y);
  /// Loads the X font and makes its display lists, or loads the texture font
  /// of the family (size 0, with the 3D library's loader); false, with a
  /// message, when it can't.
  bool Create();

  /// The height of a line: the largest ascent plus descent (a texture
  /// font's line height); 0 before Create().
  float GetHeight() const;
  /// The font's ascent above the baseline (a texture font's line height).
  float GetAscent() const;
  /// The font's descent below the baseline; 0 for a texture font.
  float GetDescent() const;
  /// The advance of one character; 0 outside the font.
  float GetCharWidth(int code) const;
  /// The advances of the first `count` bytes (-1: up to the terminator, and
  /// never past it), plus the last one's overhang for a bitmap font.
  float GetWidth(const char *text, int count = -1) const;
  /// The same for a zero-terminated array of character codes.
  float GetWidth(const uint32_t *codes) const;

  /// The first of the 256 display lists (one per byte); 0 without them.
  unsigned GetListBase() const { return listBase; }
  /// The X font's id; 0 without one.
  Font GetXFont() const;
  /// Xlib's description of the X font, or null.
  const XFontStruct *GetFontStruct() const { return fontStruct; }
  /// The texture font (owned by this font), or null.
  QTextureFont *GetTextureFont() const { return textureFont.get(); }
  /// The family given.
  const char *GetFamily() const { return family.CStr(); }
  /// The size given; 0 for a texture font.
  int GetSize() const { return size; }
  /// QFontFlags.
  int GetFlags() const { return flags; }
  /// The XLFD pattern Create() asks the server for.
  const char *GetPattern() const { return pattern.CStr(); }

private:
  bool CreateBitmapFont();
  /// Whether single bytes address glyphs (not a two-byte font's matrix).
  bool HasByteGlyphs() const;
  const XCharStruct *Glyph(unsigned code) const;

  int flags = 0;
  XFontStruct *fontStruct = nullptr;
  std::unique_ptr<QTextureFont> textureFont;
  qstring family;
  int size;
  int slant, weight, width;
  int resX = 100, resY = 100;
  unsigned listBase = 0;
  qstring pattern;
};

/// Each character as 4 lower-case hexadecimal digits, then a terminator; a
/// buffer of `size` bytes takes size / 4 - 1 characters at most.
void QFontASCII2QC(const char *text, char *buffer, int size);
/// Each whole group of 4 hexadecimal digits as a code, then a 0 code; an
/// array of `size` bytes takes size / 4 - 1 codes at most.
void QFontQC2Codes(const char *codes, uint32_t *array, int size);
