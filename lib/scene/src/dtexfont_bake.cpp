// Baking a texture font: every character drawn with an X font in the
// current window, read back, shrunk and packed into rows of one image.
#include <kiln/dtexfont.h>

#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qfont.h>
#include <kiln/qglcontext.h>
#include <kiln/qinfo.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Baked {
  int code, x, y, width, height;
};

struct Range {
  int first, last;
};

bool ValidRanges(const Range *ranges, int count) {
  if (count < 1 || count > 3) {
    qwarn("DTexFont:Create(); %d ranges; 1 to 3 can be baked", count);
    return false;
  }
  for (int r = 0; r < count; ++r) {
    if (ranges[r].first < 0 || ranges[r].last > 255 || ranges[r].last < ranges[r].first) {
      qwarn("DTexFont:Create(); range %d to %d is not within 0 to 255", ranges[r].first, ranges[r].last);
      return false;
    }
  }
  return true;
}

// The picture shrunk to width x height by GLU, whatever pixel-store state
// was left (it honours row lengths and skips).
bool Shrink(const QBitMap &picture, QBitMap &shrunk) {
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  for (GLenum store : {GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS, GL_UNPACK_ROW_LENGTH,
                       GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS}) {
    glPixelStorei(store, 0);
  }
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  const int result = gluScaleImage(GL_RGBA, picture.GetWidth(), picture.GetHeight(), GL_UNSIGNED_BYTE,
                                   picture.GetBuffer(), shrunk.GetWidth(), shrunk.GetHeight(), GL_UNSIGNED_BYTE,
                                   shrunk.GetBuffer());
  glPopClientAttrib();
  return result == 0;
}

}  // namespace

bool DTexFont::Create(QFont *font, int texWidth, int texHeight, int first1, int last1, const char *fontName,
                      int shrink, int rangeCount, int first2, int last2, int first3, int last3, bool measureOnly) {
  Release();
  const Range ranges[3] = {{first1, last1}, {first2, last2}, {first3, last3}};
  if (!font || (!measureOnly && !fontName)) {
    qwarn("DTexFont:Create(); no font or no name");
    return false;
  }
  if (shrink < 1 || texWidth < 1 || texHeight < 1) {
    qwarn("DTexFont:Create(); shrink %d, texture %dx%d: each must be 1 or more", shrink, texWidth, texHeight);
    return false;
  }
  if (!ValidRanges(ranges, rangeCount)) return false;

  // Glyphs are drawn at the window's top left and read back from there.
  QGLContext *context = QGLContext::GetCurrent();
  QDrawable *window = context ? context->GetWindow() : nullptr;
  std::unique_ptr<QBitMap> atlas;
  std::unique_ptr<QCanvas> canvas;
  if (!measureOnly) {
    if (!window) {
      qwarn("DTexFont:Create(%s); no current window to draw the glyphs in", fontName);
      return false;
    }
    atlas = std::make_unique<QBitMap>(32, texWidth, texHeight);
    if (!atlas->GetBuffer()) {
      qwarn("DTexFont:Create(%s); no memory for a %dx%d texture", fontName, texWidth, texHeight);
      return false;
    }
    canvas = std::make_unique<QCanvas>(window);
    canvas->SetGLContext(context);
    canvas->SetBackBuffer(true);
    canvas->Set2D();
    canvas->SetColor(255, 255, 255, 255);
  }
  // Codes 128 and 164 come from this font's character 1 where it exists;
  // otherwise from the font itself. Only asked for when they are baked, so
  // a server without it isn't reported for nothing.
  QFont auxiliary("Arial", font->GetSize());
  bool wantsAuxiliary = false;
  for (int r = 0; r < rangeCount; ++r) {
    for (int code : {128, 164}) wantsAuxiliary = wantsAuxiliary || (ranges[r].first <= code && code <= ranges[r].last);
  }
  const bool haveAuxiliary = wantsAuxiliary && auxiliary.Create();

  // The glyphs are drawn on transparent black; the program's clear colour
  // comes back afterwards.
  GLfloat clearColor[4] = {0, 0, 0, 0};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
  struct ClearColorBack {
    const GLfloat *color;
    ~ClearColorBack() { glClearColor(color[0], color[1], color[2], color[3]); }
  } clearColorBack{clearColor};

  std::vector<Baked> baked;
  int px = 0, py = 0;
  for (int r = 0; r < rangeCount; ++r) {
    for (int c = ranges[r].first; c <= ranges[r].last; ++c) {
      QFont *drawn = font;
      int code = c;
      if ((c == 128 || c == 164) && haveAuxiliary) {
        drawn = &auxiliary;
        code = 1;
      }
      const int w = static_cast<int>(drawn->GetCharWidth(code)), h = static_cast<int>(drawn->GetHeight());
      const int sw = w / shrink, sh = h / shrink;
      if (px + sw + 1 >= texWidth) {
        const int lastRow = py;
        px = 0;
        py += sh + 1;
        if (texHeight < lastRow + 2 * sh + 2) {
          qwarn("DTexFont:Create(); texture Y overflow");
          if (measureOnly) return false;
          py = lastRow;
        }
      }
      if (!measureOnly && code > 0 && w > 0 && h > 0) {
        if (w > window->GetWidth() || h > window->GetHeight()) {
          qwarn("DTexFont:Create(%s); character %d (%dx%d) is larger than the window (%dx%d)", fontName, c, w, h,
                window->GetWidth(), window->GetHeight());
          return false;
        }
        // Drawn, read back, shrunk, packed.
        const char text[2] = {static_cast<char>(code), '\0'};
        canvas->SetFont(drawn);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        canvas->Text(text, 0, 0);
        QBitMap cell(32, w, h);
        canvas->ReadPixels(&cell, 0, 0, w, h);
        if (sw > 0 && sh > 0) {
          QBitMap shrunk(32, sw, sh);
          if (!cell.GetBuffer() || !shrunk.GetBuffer() || !Shrink(cell, shrunk)) {
            qwarn("DTexFont:Create(%s); character %d could not be shrunk", fontName, c);
            return false;
          }
          atlas->CopyRect(shrunk, 0, 0, sw, sh, px, py);
        }
      }
      baked.push_back({c, px, py, sw, sh});
      px += sw + 1;
    }
  }
  if (measureOnly) return true;

  atlas->CopyChannel(*atlas, 0, 3);
  const std::string base = fontName;
  if (!atlas->Write((base + ".tga").c_str(), QBM_FORMAT_TGA, 80)) return false;
  // A new tree: nothing of an earlier font of that name stays.
  QInfo description(nullptr, QINFO_QUIET);
  description.SetInt("general.minchar", first1);
  description.SetInt("general.maxchar", ranges[rangeCount - 1].last);
  for (const Baked &glyph : baked) {
    const std::string key = "chars.char" + std::to_string(glyph.code) + ".";
    description.SetInt((key + "x").c_str(), glyph.x);
    description.SetInt((key + "y").c_str(), glyph.y);
    description.SetInt((key + "wid").c_str(), glyph.width);
    description.SetInt((key + "hgt").c_str(), glyph.height);
  }
  return description.Write((base + ".dtf").c_str()) == 1;
}
