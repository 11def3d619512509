// A texture font made at start from one of the X server's fonts: baked into
// a scratch directory, loaded, and the files removed, so that the examples
// need no font files of their own.
#pragma once

#include <kiln/dtexfont.h>
#include <kiln/qfont.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

// Needs a current GL context on a window at least as large as a glyph (the
// glyphs are drawn there and read back). Null when the X font or the
// texture can't be made.
inline std::unique_ptr<QFont> BakeTextureFont(const char *family, int size) {
  char scratch[] = "/tmp/kiln-font-XXXXXX";
  if (!mkdtemp(scratch)) return nullptr;
  const std::string name = std::string(scratch) + "/" + family;
  QFont xFont(family, size, 1, 1);
  DTexFont baker;
  std::unique_ptr<QFont> font;
  if (xFont.Create() && baker.Create(&xFont, 512, 256, 32, 126, name.c_str())) {
    d3UseTextureFonts();  // fonts of size 0 are texture fonts from now on
    font = std::make_unique<QFont>(name.c_str(), 0);
    if (!font->Create()) font.reset();
  }
  for (const char *part : {".dtf", ".tga", "_outline.tga"}) std::remove((name + part).c_str());
  rmdir(scratch);
  return font;
}
