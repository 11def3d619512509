// glBlendFuncSeparate (OpenGL 1.4) is declared only with the prototypes.
#define GL_GLEXT_PROTOTYPES 1
#include <kiln/dtexfont.h>

#include <kiln/dbitmaptexture.h>
#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>
#include <kiln/qimage.h>
#include <kiln/qinfo.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

// The image of the file as a white mask with its alpha, made into a
// texture; null when the file can't be read.
DBitMapTexture *MaskTexture(const std::string &file) {
  QImage image(file.c_str());
  if (!image.IsRead()) return nullptr;
  image.MaskFromAlpha();
  auto *texture = new DBitMapTexture(&image);
  if (!texture->GetTexID()) {
    texture->Detach();
    return nullptr;
  }
  return texture;
}

}  // namespace

DTexFont::DTexFont(const char *fontName) : color(255, 255, 255, 255) {
  if (fontName) Load(fontName);
}

DTexFont::~DTexFont() { Release(); }

void DTexFont::Release() {
  layout.Clear();
  if (texture) texture->Detach();
  if (outlineTexture) outlineTexture->Detach();
  texture = outlineTexture = nullptr;
  flags &= ~DTF_WIDE_CODES;
}

bool DTexFont::Load(const char *fontName) {
  Release();
  name = fontName ? fontName : "";
  const std::string base = name.CStr();
  QInfo description((base + ".dtf").c_str(), QINFO_QUIET);
  if (!description.IsLoaded()) {
    qwarn("DTexFont:Load(%s) failed", name.CStr());
    return false;
  }
  texture = MaskTexture(base + ".tga");
  if (!texture) return false;
  if (description.GetInt("general.outline", 0) > 0) outlineTexture = MaskTexture(base + "_outline.tga");
  DTexFontTextureSize outlineSize;
  if (outlineTexture) outlineSize = {outlineTexture->GetWidth(), outlineTexture->GetHeight()};
  if (!layout.Read(description, name.CStr(), {texture->GetWidth(), texture->GetHeight()}, outlineSize)) {
    Release();
    return false;
  }
  if (layout.HasWideCodes()) flags |= DTF_WIDE_CODES;
  return true;
}

float DTexFont::Layout(const unsigned char *text, int len, float x, float y) {
  vertices.clear();
  const bool bold = flags & DTF_BOLD;
  float pen = x;
  for (int i = 0; (len < 0 || i < len) && text[i]; ++i) {
    const DTexFontGlyph *glyph = layout.Find(text[i]);
    if (!glyph) continue;
    const float x0 = pen + scaleX * static_cast<float>(glyph->bearingX);
    const float x1 = x0 + scaleX * static_cast<float>(glyph->width);
    const float y1 = y + scaleY * static_cast<float>(glyph->height);
    for (float shift : {0.0f, boldOffset}) {
      const float corners[16] = {x0 + shift,         y,  glyph->s0, glyph->t0, x0 + shear + shift, y1, glyph->s0, glyph->t1,
                                 x1 + shear + shift, y1, glyph->s1, glyph->t1, x1 + shift,         y,  glyph->s1, glyph->t0};
      vertices.insert(vertices.end(), corners, corners + 16);
      if (!bold) break;
    }
    pen += Advance(*glyph);
  }
  return pen;
}

int DTexFont::Paint(const char *text, float x, float y, int len) {
  if (!texture || !text) return static_cast<int>(x);
  const float pen = Layout(reinterpret_cast<const unsigned char *>(text), len, x, y);
  if (vertices.empty()) return static_cast<int>(pen);

  texture->Bind();
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_CULL_FACE);
  if (color.GetRGBA() == 0xFFFFFFFFu) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  } else {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4ub(static_cast<GLubyte>(color.GetRed()), static_cast<GLubyte>(color.GetGreen()),
               static_cast<GLubyte>(color.GetBlue()), static_cast<GLubyte>(color.GetAlpha()));
  }
  glDisable(GL_DEPTH_TEST);

  // One batch of quads per pass: colours blended by the glyphs' alpha, then
  // the alpha channel saturated; one pass where the blend factors of colour
  // and alpha can differ.
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), vertices.data());
  glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), vertices.data() + 2);
  const GLsizei corners = static_cast<GLsizei>(vertices.size() / 4);
  const QGLContext *context = QGLContext::GetCurrent();
  if (context && context->HasExtensions(QGL_BLEND_FUNC_SEPARATE)) {
    // Both at once: the colours' factors never read the alpha written, so
    // each pixel ends as the two passes leave it, at half the fill.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA_SATURATE, GL_ONE);
    glDrawArrays(GL_QUADS, 0, corners);
  } else {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDrawArrays(GL_QUADS, 0, corners);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
    glDrawArrays(GL_QUADS, 0, corners);
  }
  glPopClientAttrib();

  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  return static_cast<int>(pen);
}

int DTexFont::Paint(const qstring &text, float x, float y) {
  if (text.IsUnicode()) {
    qwarn("DTexFont::Paint() unicode NYI");
    return 0;
  }
  return Paint(text.CStr(), x, y);
}

int DTexFont::Paint(const unsigned int *, float, float) {
  qwarn("DTexFont::Paint() unicode NYI");
  return 0;
}

float DTexFont::GetTextWidth(const char *text, int count) const {
  float width = 0;
  const unsigned char *end = count < 0 ? nullptr : reinterpret_cast<const unsigned char *>(text) + count;
  for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); c && c != end && *c; ++c) {
    if (*c < layout.GetMinChar() || *c > layout.GetMaxChar()) continue;
    if (const DTexFontGlyph *glyph = layout.Find(*c)) width += Advance(*glyph);
  }
  return width;
}

float DTexFont::GetTextWidth(const unsigned int *codes) const {
  float width = 0;
  for (const unsigned int *c = codes; c && *c; ++c) {
    if (*c > static_cast<unsigned>(DTexFontLayout::kMaxCode)) continue;
    const int code = static_cast<int>(*c);
    if (code < layout.GetMinChar() || code > layout.GetMaxChar()) continue;
    if (const DTexFontGlyph *glyph = layout.Find(code)) width += Advance(*glyph);
  }
  return width;
}

float DTexFont::GetCharWidth(int code) const {
  if (code < 0 || code > 255) return 0;
  const DTexFontGlyph *glyph = layout.Find(code);
  return glyph && glyph->code ? Advance(*glyph) : 0;
}

float DTexFont::GetHeight() const {
  const DTexFontGlyph *first = layout.GetGlyph(0);
  return first ? static_cast<float>(first->height) * scaleY : 0;
}
