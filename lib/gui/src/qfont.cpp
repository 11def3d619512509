#include <kiln/qfont.h>

#include <kiln/qdebug.h>
#include <kiln/qeval.h>
#include <kiln/qglcontext.h>
#include <kiln/qtexturefont.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>
#include <GL/glx.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char *const kWeights[] = {"*", "medium", "bold", "demi", "regular"};
const char *const kSlants[] = {"*", "r", "i", "o"};
const char *const kWidths[] = {"*", "normal", "narrow", "condensed"};

// A table's name; "*" for an index outside it.
template <std::size_t N>
const char *Field(const char *const (&table)[N], int index) {
  return index >= 0 && index < static_cast<int>(N) ? table[index] : "*";
}

QTextureFontLoader textureFontLoader = nullptr;

}  // namespace

void QFontSetTextureFontLoader(QTextureFontLoader loader) { textureFontLoader = loader; }

QFont::QFont(const char *familyName, int fontSize, int fontSlant, int fontWeight, int fontWidth)
    : family(familyName ? familyName : ""), size(fontSize), slant(fontSlant), weight(fontWeight), width(fontWidth) {}

QFont::~QFont() {
  // Only the lists this font reserved, in the contexts sharing them.
  if (listBase && QGLContext::GetCurrentNativeContext()) glDeleteLists(listBase, kLists);
  if (fontStruct) XFreeFont(QGetXDisplay(), fontStruct);
}

void QFont::DbgPrint() const {
  qdbg("@%p %s (%s), family %s, size %d\n", static_cast<const void *>(this), GetName(), ClassName(),
       family.HasText() ? family.CStr() : "?", size);
}

void QFont::SetResX(int x) {
  if (listBase || fontStruct || textureFont) {
    qerr("QFont::SetResX(); can't modify after Create()");
    return;
  }
  resX = x;
}

void QFont::SetResY(int y) {
  if (listBase || fontStruct || textureFont) {
    qerr("QFont::SetResY(); can't modify after Create()");
    return;
  }
  resY = y;
}

void QFont::SetScale(float x, float y) {
  if (!textureFont) {
    qwarn("QFont:SetScale(); only useful for texture fonts");
    return;
  }
  textureFont->SetScale(x, y);
}

bool QFont::Create() {
  if (size != 0) return CreateBitmapFont();
  if (!textureFontLoader) {
    qerr("QFont::Create(); no texture fonts in this program (%s)", family.CStr());
    return false;
  }
  textureFont.reset(textureFontLoader(family.CStr()));
  if (!textureFont) return false;
  flags = (flags & ~QFONT_TEXTURE_FLAG) | (textureFont->GetFlags() & QFONT_TEXTURE_FLAG);
  return true;
}

bool QFont::CreateBitmapFont() {
  if (resX != 100 || resY != 100) {
    qwarn("QFont: resX/resY not implemented on Linux");
    resX = resY = 100;
  }
  const std::string name = std::string("-*-") + family.CStr() + "-" + Field(kWeights, weight) + "-" +
                           Field(kSlants, slant) + "-" + Field(kWidths, width) + "-*-" + std::to_string(size) +
                           "-*-*-*-*-*-*-*";
  pattern = name.c_str();
  Display *display = QRequireXDisplay("QFont::Create()");
  XFontStruct *loaded = display ? XLoadQueryFont(display, name.c_str()) : nullptr;
  if (!loaded) {
    qerr("QFont::Create: can't create font '%s'\n", name.c_str());
    return false;
  }
  // A list for every byte: bytes the font doesn't hold call empty lists of
  // its own, never another object's.
  const GLuint base = glGenLists(kLists);
  if (base == 0) {
    qerr("QFont::Create: out of display lists (%d)\n", kLists);
    XFreeFont(display, loaded);
    return false;
  }
  if (fontStruct) XFreeFont(display, fontStruct);
  if (listBase) glDeleteLists(listBase, kLists);
  fontStruct = loaded;
  listBase = base;
  if (!HasByteGlyphs()) return true;

  const int first = static_cast<int>(fontStruct->min_char_or_byte2);
  const int last = std::min(static_cast<int>(fontStruct->max_char_or_byte2), kLists - 1);
  glXUseXFont(fontStruct->fid, first, last - first + 1, listBase + static_cast<GLuint>(first));
  // The font loader leaves an error behind on most fonts: it is not ours
  // to report.
  while (glGetError() != GL_NO_ERROR) {
  }
  // Glyphs without pixels (the space) are left empty by the loader: they
  // advance the raster all the same.
  static const GLubyte nothing = 0;
  for (int code = first; code <= last; ++code) {
    const XCharStruct *glyph = Glyph(static_cast<unsigned>(code));
    if (!glyph || glyph->width == 0) continue;
    if (glyph->rbearing - glyph->lbearing > 0 && glyph->ascent + glyph->descent > 0) continue;
    glNewList(listBase + static_cast<GLuint>(code), GL_COMPILE);
    glBitmap(0, 0, 0, 0, static_cast<GLfloat>(glyph->width), 0, &nothing);
    glEndList();
  }
  return true;
}

bool QFont::HasByteGlyphs() const { return fontStruct && fontStruct->min_byte1 == 0 && fontStruct->max_byte1 == 0; }

const XCharStruct *QFont::Glyph(unsigned code) const {
  if (!HasByteGlyphs() || code < fontStruct->min_char_or_byte2 || code > fontStruct->max_char_or_byte2) {
    return nullptr;
  }
  // Fonts whose glyphs are all alike keep only the one description.
  if (!fontStruct->per_char) return &fontStruct->max_bounds;
  return &fontStruct->per_char[code - fontStruct->min_char_or_byte2];
}

Font QFont::GetXFont() const { return fontStruct ? fontStruct->fid : 0; }

float QFont::GetHeight() const {
  if (textureFont) return textureFont->GetHeight();
  return fontStruct ? static_cast<float>(fontStruct->max_bounds.ascent + fontStruct->max_bounds.descent) : 0;
}

float QFont::GetAscent() const {
  if (textureFont) return textureFont->GetHeight();
  return fontStruct ? static_cast<float>(fontStruct->ascent) : 0;
}

float QFont::GetDescent() const { return fontStruct ? static_cast<float>(fontStruct->descent) : 0; }

float QFont::GetCharWidth(int code) const {
  if (textureFont) return textureFont->GetCharWidth(code);
  const XCharStruct *glyph = code >= 0 ? Glyph(static_cast<unsigned>(code)) : nullptr;
  return glyph ? glyph->width : 0;
}

float QFont::GetWidth(const char *text, int count) const {
  if (!text) return 0;
  if (textureFont) return textureFont->GetWidth(text, count);
  int total = 0;
  const XCharStruct *last = nullptr;
  for (int i = 0; (count < 0 || i < count) && text[i]; ++i) {
    last = Glyph(static_cast<unsigned char>(text[i]));
    if (last) total += last->width;
  }
  if (last && last->rbearing > last->width) total += last->rbearing - last->width;
  return static_cast<float>(total);
}

float QFont::GetWidth(const uint32_t *codes) const {
  if (!codes) return 0;
  float total = 0;
  for (; *codes; ++codes) total += GetCharWidth(static_cast<int>(*codes));
  return total;
}

void QFontASCII2QC(const char *text, char *buffer, int size) {
  if (!buffer || size <= 0) return;
  const int room = size / 4 - 1;
  int count = static_cast<int>(std::strlen(text));
  if (count >= size / 4) {
    qwarn("QFontASCII2QC(%s); destination (d) isn't big enough", text);
    count = room > 0 ? room : 0;
  }
  for (int i = 0; i < count; ++i) {
    std::snprintf(buffer + 4 * i, 5, "%04x", static_cast<unsigned char>(text[i]));
  }
  buffer[4 * count] = '\0';
}

void QFontQC2Codes(const char *codes, uint32_t *array, int size) {
  if (!array || size < 4) return;
  const int room = size / 4 - 1;
  int stored = 0;
  for (const char *group = codes; stored < room && group[0] && group[1] && group[2] && group[3]; group += 4) {
    char number[7] = {'0', 'x', group[0], group[1], group[2], group[3], '\0'};
    array[stored++] = static_cast<uint32_t>(Eval(number));
  }
  array[stored] = 0;
}
