/// \file
/// DTexFont, text drawn from a texture of glyphs.
#pragma once

#include <vector>

#include <kiln/dtexfontlayout.h>
#include <kiln/qcolor.h>
#include <kiln/qstring.h>

class DBitMapTexture;
class QFont;

/// Flags of a texture font.
enum DTexFontFlags {
  DTF_FONT_MARK = 1,  ///< copied by QFont into its flags; drawing ignores it
  DTF_BOLD = 2,       ///< each glyph drawn twice, the second boldOffset to the right
  DTF_WIDE_CODES = 4  ///< a glyph code above 255 was loaded
};

/// Text drawn with OpenGL from a texture that holds every glyph of a font:
/// "<name>.tga" the glyphs, "<name>.dtf" where each lies and how far it
/// moves the pen, "<name>_outline.tga" optional outlined glyphs. The only
/// text that scales and shears.
class DTexFont {
public:
  /// Loads the font when a name is given.
  explicit DTexFont(const char *name = nullptr);
  /// Releases both textures.
  ~DTexFont();
  DTexFont(const DTexFont &) = delete;
  DTexFont &operator=(const DTexFont &) = delete;

  /// Replaces the font by the files of that name; false (and an empty font,
  /// which measures 0 and draws nothing) when the description or the glyph
  /// image can't be read.
  bool Load(const char *name);

  /// Draws `len` bytes of the text (all of it for -1; never past its end)
  /// with the pen from (x, y), glyphs growing upwards; the pen's x after the
  /// text, truncated.
  int Paint(const char *text, float x, float y, int len = -1);
  /// Wide text is not drawn: a warning and 0.
  int Paint(const qstring &text, float x, float y);
  /// A zero-terminated array of character codes, as the bytes are drawn.
  int Paint(const unsigned int *codes, float x, float y);

  /// Spacing plus scaled advance of every character that has a glyph, of
  /// the first `count` bytes (-1: all).
  float GetTextWidth(const char *text, int count = -1) const;
  /// The same for a zero-terminated array of character codes.
  float GetTextWidth(const unsigned int *codes) const;
  /// Of one code, 0 to 255; 0 without a glyph.
  float GetCharWidth(int code) const;
  /// The first glyph's height, scaled.
  float GetHeight() const;
  /// Bakes the characters of up to three ranges (codes 0 to 255) of an X
  /// font into "<name>.tga" (texWidth x texHeight, glyphs packed in rows,
  /// each shrunk by `shrink`) and "<name>.dtf". Each glyph is drawn in the
  /// current window and read back, so the window must be at least as large
  /// as a glyph. Measuring only writes nothing and is false when the glyphs
  /// don't fit. Load() the files to draw with them.
  bool Create(QFont *font, int texWidth, int texHeight, int first1, int last1, const char *name, int shrink = 1,
              int rangeCount = 1, int first2 = 0, int last2 = 0, int first3 = 0, int last3 = 0,
              bool measureOnly = false);

  ///@{
  /// The glyph of a code (its outlined form), or null.
  const DTexFontGlyph *GetGlyph(int code) const { return layout.Find(code); }
  const DTexFontGlyph *GetOutlineGlyph(int code) const { return layout.FindOutline(code); }
  ///@}
  /// The description as loaded.
  const DTexFontLayout &GetLayout() const { return layout; }
  ///@{
  /// The glyph images (owned by the font), or null.
  DBitMapTexture *GetTexture() const { return texture; }
  DBitMapTexture *GetOutlineTexture() const { return outlineTexture; }
  ///@}

  float scaleX = 1;      ///< the glyphs' width and advance scaled
  float scaleY = 1;      ///< the glyphs' height scaled
  float shear = 0;       ///< added to the x of the glyphs' upper corners
  float unused = 0;      ///< kept for the program
  float spacing = 0;     ///< added to every advance
  float boldOffset = 1;  ///< how far right a bold glyph's second copy lies
  QColor color;          ///< the text's colour
  int flags = 0;         ///< DTexFontFlags

private:
  void Release();
  /// The quads of the text into `vertices` (x, y, s, t per corner); the
  /// pen's x after it.
  float Layout(const unsigned char *text, int len, float x, float y);
  float Advance(const DTexFontGlyph &glyph) const { return spacing + scaleX * static_cast<float>(glyph.advance); }

  DTexFontLayout layout;
  qstring name;
  DBitMapTexture *texture = nullptr;
  DBitMapTexture *outlineTexture = nullptr;
  std::vector<float> vertices;  ///< kept between calls
};

/// Makes the fonts of size 0 that QFont creates from now on texture fonts of
/// this library, loaded by their family name.
void d3UseTextureFonts();
