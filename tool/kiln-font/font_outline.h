// The outlined glyphs of a baked texture font: each glyph grown by a pixel
// all round, packed into "<name>_outline.tga", with its place in the
// description.
#pragma once

#include <string>

namespace kiln::font {

// Adds the outline image and the glyphs' outline rectangles to the font
// "<name>.tga" and "<name>.dtf"; false, with the reason, when it can't.
bool AddOutlines(const std::string &name, std::string *error);

}  // namespace kiln::font
