/// \file
/// Where the glyphs of a texture font lie in its image and how far each
/// moves the pen: the glyph table and code ranges read from the font's
/// description (a ".dtf" configuration tree), without drawing anything.
#pragma once

#include <vector>

class QInfo;

/// One glyph: where it lies in the image and how it moves the pen.
struct DTexFontGlyph {
  int code = 0;  ///< the character code
  ///@{
  /// Top left in the image, y from the top.
  int x = 0, y = 0;
  ///@}
  int width = 0;     ///< the description's "wid" plus 1
  int height = 0;    ///< the description's "hgt"
  int advance = 0;   ///< how far the pen moves
  int bearingX = 0;  ///< from the pen to the glyph's left edge
  ///@{
  /// Texture coordinates of the glyph's corners: (s0, t0) top left, (s1,
  /// t1) bottom right.
  float s0 = 0, t0 = 0, s1 = 0, t1 = 0;
  ///@}
};

/// The size of the texture an image became: the image sits at its top left,
/// so texture coordinates divide by the texture's size.
struct DTexFontTextureSize {
  ///@{
  /// In texels.
  int width = 0, height = 0;
  ///@}
};

/// The glyph table of a texture font and the ranges of codes it covers.
class DTexFontLayout {
public:
  static constexpr int kMaxRanges = 5;       ///< runs of consecutive codes
  static constexpr int kMaxCode = 0x10FFFF;  ///< the largest code read

  /// Reads the "general" keys and the "chars" entries of the tree. Glyphs
  /// are laid out on `texture`; outline glyphs on `outlineTexture` when the
  /// description has outlines and that size is given. Entries whose name
  /// holds no code are skipped with a warning; an entry without x ends the
  /// table. False for an empty texture size.
  bool Read(const QInfo &description, const char *fontName, DTexFontTextureSize texture,
            DTexFontTextureSize outlineTexture = DTexFontTextureSize());
  /// Forgets every glyph and range.
  void Clear();

  ///@{
  /// The glyph (its outlined form) of the code through the ranges, or null.
  const DTexFontGlyph *Find(int code) const;
  const DTexFontGlyph *FindOutline(int code) const;
  ///@}

  /// The description's "version" (1 when it has none).
  int GetVersion() const { return version; }
  ///@{
  /// The description's "minchar" and "maxchar".
  int GetMinChar() const { return minChar; }
  int GetMaxChar() const { return maxChar; }
  ///@}
  /// True when outline glyphs were laid out.
  bool HasOutline() const { return !outlineGlyphs.empty(); }
  /// True when a code above 255 was read.
  bool HasWideCodes() const { return wideCodes; }
  /// The number of glyphs read.
  int GetGlyphCount() const { return glyphCount; }
  /// A glyph by its place in the table, or null out of range.
  const DTexFontGlyph *GetGlyph(int index) const;
  /// The number of code ranges.
  int GetRangeCount() const { return rangeCount; }
  /// The first and last code of a range; false outside 0 to
  /// GetRangeCount() - 1.
  bool GetRange(int index, int *first, int *last) const;

private:
  struct Range {
    int first = 0, last = 0, firstIndex = 0;
  };

  /// The glyph index of the code, or -1.
  int IndexOf(int code) const;
  /// Extends the ranges by the code; false when it would open a sixth.
  bool AddToRanges(int code, const char *fontName);

  int version = 1;
  int minChar = 0, maxChar = 0;
  int outline = 0;
  /// One spare record past the entries, as the description counts them.
  std::vector<DTexFontGlyph> glyphs;
  std::vector<DTexFontGlyph> outlineGlyphs;
  int glyphCount = 0;
  Range ranges[kMaxRanges];
  int rangeCount = 0;
  bool wideCodes = false;
  bool tooManyRanges = false;
};
