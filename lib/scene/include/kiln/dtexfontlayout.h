// Where the glyphs of a texture font lie in its image and how far each
// moves the pen: the glyph table and code ranges read from the font's
// description (a ".dtf" configuration tree), without drawing anything.
#pragma once

#include <vector>

class QInfo;

struct DTexFontGlyph {
  int code = 0;
  int x = 0, y = 0;  // top left in the image, y from the top
  int width = 0;     // the description's "wid" plus 1
  int height = 0;
  int advance = 0;
  int bearingX = 0;
  float s0 = 0, t0 = 0, s1 = 0, t1 = 0;
};

// The size of the texture an image became: the image sits at its top left,
// so texture coordinates divide by the texture's size.
struct DTexFontTextureSize {
  int width = 0, height = 0;
};

class DTexFontLayout {
public:
  static constexpr int kMaxRanges = 5;
  static constexpr int kMaxCode = 0x10FFFF;

  // Reads the "general" keys and the "chars" entries of the tree. Glyphs
  // are laid out on `texture`; outline glyphs on `outlineTexture` when the
  // description has outlines and that size is given. Entries whose name
  // holds no code are skipped with a warning; an entry without x ends the
  // table. False for an empty texture size.
  bool Read(const QInfo &description, const char *fontName, DTexFontTextureSize texture,
            DTexFontTextureSize outlineTexture = DTexFontTextureSize());
  void Clear();

  // The glyph of the code through the ranges, or null.
  const DTexFontGlyph *Find(int code) const;
  const DTexFontGlyph *FindOutline(int code) const;

  int GetVersion() const { return version; }
  int GetMinChar() const { return minChar; }
  int GetMaxChar() const { return maxChar; }
  bool HasOutline() const { return !outlineGlyphs.empty(); }
  bool HasWideCodes() const { return wideCodes; }
  int GetGlyphCount() const { return glyphCount; }
  const DTexFontGlyph *GetGlyph(int index) const;
  int GetRangeCount() const { return rangeCount; }

private:
  struct Range {
    int first = 0, last = 0, firstIndex = 0;
  };

  // The glyph index of the code, or -1.
  int IndexOf(int code) const;
  // Extends the ranges by the code; false when it would open a sixth.
  bool AddToRanges(int code, const char *fontName);

  int version = 1;
  int minChar = 0, maxChar = 0;
  int outline = 0;
  // One spare record past the entries, as the description counts them.
  std::vector<DTexFontGlyph> glyphs;
  std::vector<DTexFontGlyph> outlineGlyphs;
  int glyphCount = 0;
  Range ranges[kMaxRanges];
  int rangeCount = 0;
  bool wideCodes = false;
  bool tooManyRanges = false;
};
