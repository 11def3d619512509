// What a texture font's description says, checked against its images: the
// numbers a program gets, and the glyphs that lie outside the image or
// over one another.
#pragma once

#include <cstdio>
#include <string>

namespace kiln::font {

// Prints the font "<name>.dtf" with "<name>.tga" (and its outline image);
// false, with the reason, when they can't be read or a glyph lies outside
// its image or over another.
bool PrintFontInfo(const std::string &dtf, FILE *out, std::string *error);

}  // namespace kiln::font
