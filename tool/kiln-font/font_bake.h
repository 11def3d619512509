// Baking a texture font from one of the X server's fonts: the texture it
// fits in, the files written under a scratch name and renamed when all are
// whole, and the outlined glyphs when asked.
#pragma once

#include <string>
#include <vector>

class QFont;

namespace kiln::font {

struct CodeRange {
  int first = 32, last = 126;
};

struct TextureSize {
  int width = 0, height = 0;  // 0: the smallest that fits
};

struct BakeRequest {
  std::vector<CodeRange> ranges{CodeRange()};  // 1 to 3, codes 0 to 255
  TextureSize texture;
  int shrink = 1;
  bool outline = false;
};

// Whether the glyphs of the ranges fit a texture of that size: the baker's
// own measuring pass, and no glyph wider or taller than the texture.
bool GlyphsFit(QFont *font, const BakeRequest &request, TextureSize size);

// The power-of-two texture sizes from 16 x 16 to 4096 x 4096, smallest
// first: by area, then the squarest, then the wider.
std::vector<TextureSize> TextureSizes();

// The first of TextureSizes() the glyphs fit in; 0 x 0 when none is.
TextureSize SmallestTexture(QFont *font, const BakeRequest &request);

// Bakes "OUT.tga" and "OUT.dtf" (with "OUT_outline.tga" when asked) in a
// texture of the request's size; needs a current GL context on a window at
// least as large as a glyph. False, with the reason and nothing written,
// when it can't.
bool BakeFont(QFont *font, const BakeRequest &request, const std::string &out, std::string *error);

}  // namespace kiln::font
