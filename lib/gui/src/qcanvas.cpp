#define GL_GLEXT_PROTOTYPES
#include <kiln/qcanvas.h>

#include <kiln/qbitmap.h>
#include <kiln/qblitqueue.h>
#include <kiln/qdebug.h>
#include <kiln/qdrawable.h>
#include <kiln/qfont.h>
#include <kiln/qgc.h>
#include <kiln/qglcontext.h>
#include <kiln/qtextstyle.h>
#include <kiln/qtexturefont.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kTextMLBuffer = 1024;

QCanvas::AppCanvasSource appCanvasSource = nullptr;
constexpr int kTextMLLines = 29;

struct PaletteColor {
  int red, green, blue;
};
constexpr PaletteColor kPalette[] = {{255, 255, 255}, {0, 0, 0}, {224, 224, 224},
                                     {192, 192, 192}, {128, 128, 128}, {255, 0, 0}};

void GLColor(const QColor &color) {
  glColor4ub(static_cast<GLubyte>(color.GetRed()), static_cast<GLubyte>(color.GetGreen()),
             static_cast<GLubyte>(color.GetBlue()), static_cast<GLubyte>(color.GetAlpha()));
}

// The raster position at window coordinates, valid even outside the window
// (as a move from the origin by a bitmap of no pixels would be), whatever
// the matrices.
void RasterAt(float x, float y) { glWindowPos2f(x, y); }

// The intersection of two rectangles; false when empty.
bool Intersect(QRect &rect, const QRect &with) {
  const int left = std::max(rect.x, with.x), top = std::max(rect.y, with.y);
  const int right = std::min(rect.x + rect.width, with.x + with.width);
  const int bottom = std::min(rect.y + rect.height, with.y + with.height);
  rect.Set(left, top, right - left, bottom - top);
  return rect.width > 0 && rect.height > 0;
}

}  // namespace

QCanvas::QCanvas(QDrawable *drawable) : drawable(drawable), color(255, 255, 255, 255) { color.SetName("cv.Color"); }

QCanvas::QCanvas(QCanvas *parent)
    : drawable(parent->drawable),
      backBuffer(parent->backBuffer),
      font(parent->font),
      glContext(parent->glContext),
      color(parent->color.GetRGBA()),
      textStyle(parent->textStyle) {
  color.SetName("cv.Color");
}

QCanvas::~QCanvas() = default;

int QCanvas::GetWidth() const { return drawable ? drawable->GetWidth() : 0; }
int QCanvas::GetHeight() const { return drawable ? drawable->GetHeight() : 0; }

QCanvas *QCanvas::Of(const QDrawable *drawable) {
  return drawable ? dynamic_cast<QCanvas *>(drawable->GetCanvasObject()) : nullptr;
}

void QCanvas::SetAppCanvasSource(AppCanvasSource source) { appCanvasSource = source; }

QCanvas *QCanvas::GetAppCanvas() { return appCanvasSource ? appCanvasSource() : nullptr; }

// --- context and state ------------------------------------------------------------

void QCanvas::Select() {
  if (!IsX() && glContext) QGLContext::Select(glContext);
}

void QCanvas::SetBackBuffer(bool back) {
  backBuffer = back;
  if (glContext) glContext->DrawBuffer(back ? GL_BACK : GL_FRONT);
}

void QCanvas::Set3D() {
  flags |= QCANVAS_3D;
  if (glContext) glContext->SetPerspectiveView(1000);
}

void QCanvas::Set2D() {
  flags &= ~QCANVAS_3D;
  if (!glContext) return;
  glContext->Invalidate2D();
  glContext->Setup2D();
}

void QCanvas::Prepare2D() {
  flags &= ~QCANVAS_3D;
  if (glContext && !IsX()) glContext->Setup2D();
}

void QCanvas::SetColor(int index) {
  if (IsX()) {
    gc->SetColor(index);
    if (index >= 0 && index < 6) color.Set(kPalette[index].red, kPalette[index].green, kPalette[index].blue, 255);
    return;
  }
  if (index < 0 || index >= 6) {
    qwarn("QCanvas::SetColor(%d) unknown PX_xxx", index);
    color.Set(0, 255, 0, 255);
    return;
  }
  color.Set(kPalette[index].red, kPalette[index].green, kPalette[index].blue, 255);
}

void QCanvas::SetColor(int red, int green, int blue, int alpha) { color.Set(red, green, blue, alpha); }

void QCanvas::SetColor(const QColor &newColor) { color.CopyFrom(newColor); }

void QCanvas::SetFont(QFont *newFont) {
  font = newFont;
  if (gc) gc->SetFont(font);
}

void QCanvas::SetBlending(int mode, const QColor *blend) {
  blendMode = mode;
  if (blend) blendColor.CopyFrom(*blend);
}

void QCanvas::SetOffset(int x, int y) {
  offsetX = x;
  offsetY = y;
}

void QCanvas::SetFlags(int mask) {
  flags |= mask;
  if ((mask & QCANVAS_USE_X) && !gc) {
    gc = std::make_unique<QGC>(drawable);
    gc->SetFont(font);
  }
}

void QCanvas::UseX() {
  if (!gc) {
    gc = std::make_unique<QGC>(drawable);
    gc->SetFont(font);
  }
  flags = QCANVAS_USE_X | (flags & QCANVAS_BLIT_TARGET);
}

void QCanvas::SetBitmapTarget(QBitMap *bitmap) {
  target = bitmap;
  flags = QCANVAS_BLIT_TARGET | (flags & QCANVAS_USE_X);
}

void QCanvas::ApplyBlending() const {
  switch (blendMode) {
    case 1:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case 2:
      break;
    case 3:
      glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case 4:
      glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
      break;
    default:
      glDisable(GL_BLEND);
      return;
  }
  glEnable(GL_BLEND);
}

bool QCanvas::Place(QRect &rect) const {
  rect.x += offsetX;
  rect.y += offsetY;
  if ((flags & QCANVAS_CLIP) && !Intersect(rect, clip)) return false;
  return rect.width > 0 && rect.height > 0;
}

// --- rectangles and lines ----------------------------------------------------------

void QCanvas::Clear(const QRect &rect) {
  if (IsX()) return;
  Select();
  // The program's scissor test comes back as it was.
  glPushAttrib(GL_SCISSOR_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(rect.x + offsetX, GetHeight() - rect.y - offsetY - rect.height, rect.width, rect.height);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPopAttrib();
}

void QCanvas::Clear() {
  if (IsX()) return;
  Select();
  glPushAttrib(GL_SCISSOR_BIT);
  glDisable(GL_SCISSOR_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPopAttrib();
}

void QCanvas::Rectfill(int x, int y, int width, int height) {
  QRect rect;
  rect.Set(x, y, width, height);
  Rectfill(rect);
}

void QCanvas::Rectfill(const QRect &rect) {
  const QColor *corners[4] = {&color, &color, &color, &color};
  Quad(rect, corners);
}

void QCanvas::RectfillGradient(const QRect &rect, const QColor &topLeft, const QColor &topRight,
                               const QColor &bottomRight, const QColor &bottomLeft) {
  const QColor *corners[4] = {&topLeft, &topRight, &bottomRight, &bottomLeft};
  Quad(rect, corners);
}

void QCanvas::Quad(const QRect &area, const QColor *const corners[4]) {
  Prepare2D();
  QRect rect = area;
  if (!Place(rect)) return;
  if (IsX()) {
    gc->Rectfill(rect);
    return;
  }
  const int height = GetHeight();
  float top, bottom;
  if (flags & QCANVAS_Y_UP) {
    top = static_cast<float>(rect.y - 1);
    bottom = top - static_cast<float>(rect.height);
  } else {
    top = static_cast<float>(height - rect.y);
    bottom = std::max(0.0f, top - static_cast<float>(rect.height));
  }
  const float left = static_cast<float>(rect.x), right = static_cast<float>(rect.x + rect.width);
  ApplyBlending();
  glDisable(GL_TEXTURE_2D);
  const bool flat = corners[0] == corners[1] && corners[0] == corners[2] && corners[0] == corners[3];
  glBegin(GL_QUADS);
  GLColor(*corners[0]);
  glVertex2f(left, top);
  if (!flat) GLColor(*corners[1]);
  glVertex2f(right, top);
  if (!flat) GLColor(*corners[2]);
  glVertex2f(right, bottom);
  if (!flat) GLColor(*corners[3]);
  glVertex2f(left, bottom);
  glEnd();
}

void QCanvas::Rectangle(int x, int y, int width, int height) {
  Rectfill(x, y, width, 1);
  Rectfill(x, y + height - 1, width, 1);
  Rectfill(x, y, 1, height);
  Rectfill(x + width - 1, y, 1, height);
}

void QCanvas::RectangleLines(int x, int y, int width, int height) {
  // Each line lights its start and not its end, the next line's start: the
  // four cover exactly Rectangle()'s pixels.
  const int right = x + width - 1, bottom = y + height - 1;
  Line(x, y, right, y);
  Line(right, y, right, bottom);
  Line(right, bottom, x, bottom);
  Line(x, bottom, x, y);
}

void QCanvas::Line(int x1, int y1, int x2, int y2) {
  if (IsX()) {
    qerr("Canvas:Line not supported for X");
    return;
  }
  Prepare2D();
  // Through pixel centres, so that the line lights the pixels it names.
  const float height = static_cast<float>(GetHeight());
  ApplyBlending();
  glDisable(GL_TEXTURE_2D);
  GLColor(color);
  glBegin(GL_LINES);
  glVertex2f(static_cast<float>(x1 + offsetX) + 0.5f, height - static_cast<float>(y1 + offsetY) - 0.5f);
  glVertex2f(static_cast<float>(x2 + offsetX) + 0.5f, height - static_cast<float>(y2 + offsetY) - 0.5f);
  glEnd();
}

void QCanvas::Triangle(int x1, int y1, int x2, int y2, int x3, int y3, const QColor *color1, const QColor *color2,
                       const QColor *color3) {
  if (IsX()) {
    gc->Triangle(x1 + offsetX, y1 + offsetY, x2 + offsetX, y2 + offsetY, x3 + offsetX, y3 + offsetY);
    return;
  }
  Prepare2D();
  const QColor black(0, 0, 0, 255);
  const float height = static_cast<float>(GetHeight());
  ApplyBlending();
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_TRIANGLES);
  const struct {
    int x, y;
    const QColor *color;
  } corners[3] = {{x1, y1, color1}, {x2, y2, color2}, {x3, y3, color3}};
  for (const auto &corner : corners) {
    GLColor(corner.color ? *corner.color : black);
    glVertex2f(static_cast<float>(corner.x + offsetX), height - static_cast<float>(corner.y + offsetY));
  }
  glEnd();
}

// --- frames -------------------------------------------------------------------------

void QCanvas::Outline(int x, int y, int width, int height) { Frame(x, y, width, height, false, 252); }

void QCanvas::Inline(int x, int y, int width, int height) { Frame(x, y, width, height, true, 124); }

// A bevelled frame: dark outer edges (the top and bottom ones from x when
// `fullEdges`, else from x + 1), a mid-grey ring inside, and a band of the
// given grey along the inner top and left.
void QCanvas::Frame(int x, int y, int width, int height, bool fullEdges, int band) {
  if (IsX()) qwarn("QCanvas:Outline not support for ISX");
  const uint32_t saved = color.GetRGBA();
  SetColor(70, 70, 70);
  const int edgeX = fullEdges ? x : x + 1, edgeWidth = fullEdges ? width - 1 : width - 2;
  Rectfill(edgeX, y, edgeWidth, 1);
  Rectfill(edgeX, y + height - 1, edgeWidth, 1);
  Rectfill(x, y + 1, 1, height - 2);
  Rectfill(x + width - 1, y + 1, 1, height - 2);
  SetColor(164, 164, 164);
  Rectangle(x + 1, y + 1, width - 2, height - 2);
  SetColor(band, band, band);
  Rectfill(x + 2, y + 2, width - 4, 2);
  Rectfill(x + 2, y + 3, 2, height - 6);
  color.SetRGBA(saved);
}

void QCanvas::Panel(int x, int y, int width, int height, bool shaded) {
  if (IsX()) SetColor(PX_LTGRAY);
  QRect rect;
  rect.Set(x, y, width, height);
  const QColor top = shaded ? QColor(214, 214, 214) : QColor(255, 255, 255);
  const QColor bottom = shaded ? QColor(185, 185, 185) : QColor(255, 255, 255);
  RectfillGradient(rect, top, top, bottom, bottom);
}

void QCanvas::Separator(int x, int y, int width) {
  const uint32_t saved = color.GetRGBA();
  SetColor(255, 255, 255);
  Rectfill(x, y, width, 2);
  SetColor(0, 0, 0);
  Rectfill(x, y + 2, width, 2);
  color.SetRGBA(saved);
}

void QCanvas::FocusRectangle(int x, int y, int width, int height) {
  const uint32_t saved = color.GetRGBA();
  SetColor(0, 0, 0);
  EnableLineStipple(0xAAAA, 1);
  RectangleLines(x, y, width, height);
  DisableLineStipple();
  color.SetRGBA(saved);
}

void QCanvas::EnableLineStipple(unsigned short pattern, int factor) {
  glLineStipple(factor, pattern);
  glEnable(GL_LINE_STIPPLE);
}

void QCanvas::DisableLineStipple() { glDisable(GL_LINE_STIPPLE); }

// --- text ---------------------------------------------------------------------------

void QCanvas::Text(const char *text, int x, int y, int length) {
  if (!font || !text) return;
  const int available = static_cast<int>(std::strlen(text));
  if (length < 0 || length > available) length = available;
  const int baseline = y + offsetY + static_cast<int>(font->GetAscent());
  const int left = x + offsetX;
  if (IsX()) {
    if (textStyle) qwarn("QCanvas:Text() doesn't support textstyles in X GC's");
    gc->Text(text, left, baseline, length);
    return;
  }
  ApplyBlending();
  if (!textStyle) {
    TextAt(text, left, baseline, length, color);
    return;
  }
  // A bitmap font's layers move down by dy, a texture font's up.
  const int down = font->GetTextureFont() ? -1 : 1;
  for (int i = 0; i < textStyle->GetLayerCount(); ++i) {
    const QTextStyle::Layer *layer = textStyle->GetLayer(i);
    TextAt(text, left + layer->dx, baseline + down * layer->dy, length, layer->color);
  }
}

void QCanvas::TextAt(const char *text, int x, int baseline, int length, const QColor &textColor) {
  // The glyphs' baseline row counted from the bottom, as X draws them.
  const float row = static_cast<float>(GetHeight() - 1 - baseline);
  if (QTextureFont *textureFont = font->GetTextureFont()) {
    textureFont->Paint(text, static_cast<float>(x), row, length, textColor);
    return;
  }
  // A font that was not created has no lists: nothing is drawn.
  if (!font->GetListBase()) return;
  glDisable(GL_TEXTURE_2D);
  GLColor(textColor);
  RasterAt(static_cast<float>(x), row);
  glListBase(font->GetListBase());
  glCallLists(length, GL_UNSIGNED_BYTE, text);
}

void QCanvas::TextML(const char *text, const QRect &rect, int textFlags) {
  if (!font || !text) return;
  if (std::strlen(text) >= static_cast<std::size_t>(kTextMLBuffer)) {
    qwarn("QCanvas::TextML(); text>temp buffer");
    return;
  }
  std::vector<std::string> lines;
  for (const char *at = text;;) {
    if (static_cast<int>(lines.size()) == kTextMLLines) {
      // The rest, newlines and all, takes the place of the last line.
      qwarn("QCanvas::TextML() max #lines reached (10)");
      lines.back() = at;
      break;
    }
    const char *end = std::strchr(at, '\n');
    lines.emplace_back(at, end ? static_cast<std::size_t>(end - at) : std::strlen(at));
    if (!end) break;
    at = end + 1;
  }
  const int lineHeight = static_cast<int>(font->GetHeight());
  int y = rect.y;
  if (textFlags & 2) y = rect.y + (rect.height - static_cast<int>(lines.size()) * lineHeight) / 2;
  for (const std::string &line : lines) {
    int x = rect.x;
    if (textFlags & 1) x = rect.x + static_cast<int>((static_cast<float>(rect.width) - font->GetWidth(line.c_str())) / 2);
    Text(line.c_str(), x, y, -1);
    y += lineHeight;
  }
}

// --- pixels -------------------------------------------------------------------------

void QCanvas::Blit(const QBitMap *bitmap, int dx, int dy, int width, int height, int sx, int sy, bool blend) {
  if (!IsX()) ApplyBlending();
  Bitmap(bitmap, dx, dy, width, height, sx, sy, blend, "Blit");
}

void QCanvas::DrawPixels(const QBitMap *bitmap, int dx, int dy, int width, int height, int sx, int sy, bool blend) {
  Bitmap(bitmap, dx, dy, width, height, sx, sy, blend, "DrawPixels");
}

void QCanvas::Bitmap(const QBitMap *bitmap, int dx, int dy, int width, int height, int sx, int sy, bool blend,
                     const char *operation) {
  if (IsX()) {
    if (std::strcmp(operation, "Blit") == 0) qerr("QCanvas::Blit not implemented for USEX");
    else qerr("QCanvas::DrawPixels() not implemented for USEX");
    return;
  }
  // 32-bit pixels, or packed 24-bit rows; nothing else is drawn.
  if (!bitmap || !bitmap->GetBuffer() || (bitmap->GetDepth() != 32 && bitmap->GetDepth() != 24)) {
    qwarn("QCanvas::%s(); needs a bitmap of 24 or 32 bits with pixels", operation);
    return;
  }
  Prepare2D();
  if (width == -1) width = bitmap->GetWidth();
  if (height == -1) height = bitmap->GetHeight();
  if (sx == -1) sx = 0;
  if (sy == -1) sy = 0;
  // The source is cut to the bitmap, moving the destination with it.
  QRect source;
  source.Set(sx, sy, width, height);
  QRect inside;
  inside.Set(0, 0, bitmap->GetWidth(), bitmap->GetHeight());
  if (!Intersect(source, inside)) return;
  QRect rect;
  rect.Set(dx + source.x - sx + offsetX, dy + source.y - sy + offsetY, source.width, source.height);
  if (flags & QCANVAS_CLIP) {
    const int left = rect.x, top = rect.y;
    if (!Intersect(rect, clip)) return;
    source.x += rect.x - left;
    source.y += rect.y - top;
    source.width = rect.width;
    source.height = rect.height;
  }
  if (rect.width <= 0 || rect.height <= 0) return;

  if (flags & QCANVAS_BLIT_TARGET) {
    // Word by word into the target, cut to it; rows from the bottom in both.
    if (!target || !target->GetBuffer() || target->GetDepth() != 32 || bitmap->GetDepth() != 32) return;
    QRect into = rect;
    QRect whole;
    whole.Set(0, 0, target->GetWidth(), target->GetHeight());
    if (!Intersect(into, whole)) return;
    const int sourceLeft = source.x + into.x - rect.x, sourceTop = source.y + into.y - rect.y;
    for (int row = 0; row < into.height; ++row) {
      const uint8_t *from = bitmap->GetAddress(sourceLeft, bitmap->GetHeight() - 1 - (sourceTop + row));
      uint8_t *to = target->GetAddress(into.x, target->GetHeight() - 1 - (into.y + row));
      std::memcpy(to, from, static_cast<std::size_t>(into.width) * 4);
    }
    return;
  }

  const int skipRows = bitmap->GetHeight() - source.height - source.y;
  const int windowY = GetHeight() - rect.y - rect.height;
  if (flags & QCANVAS_QUEUE_BLITS) {
    if (!blitQueue) blitQueue = std::make_unique<QBlitQueue>(this);
    blitQueue->Add(bitmap, source.x, skipRows, source.width, source.height, rect.x, windowY, blendMode != 0);
    return;
  }
  if (blend) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  GLboolean depthWrites = GL_TRUE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  glDepthMask(GL_FALSE);
  DrawRows(bitmap, source.x, skipRows, source.width, source.height, rect.x, windowY);
  glDepthMask(depthWrites);
}

void QCanvas::DrawRows(const QBitMap *bitmap, int sx, int skipRows, int width, int height, int dx, int dy) {
  // The program's pixel-store state comes back as it was.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, bitmap->GetWidth());
  glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, sx);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of 24-bit pixels are packed
  glDisable(GL_TEXTURE_2D);
  RasterAt(static_cast<float>(dx), static_cast<float>(dy));
  glDrawPixels(width, height, bitmap->GetDepth() == 32 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, bitmap->GetBuffer());
  glPopClientAttrib();
}

void QCanvas::ReadPixels(QBitMap *bitmap, int x, int y, int width, int height, int bx, int by) {
  if (!bitmap || !bitmap->GetBuffer() || bitmap->GetDepth() != 32) {
    qwarn("QCanvas::ReadPixels(); needs a 32-bit bitmap with pixels");
    return;
  }
  Prepare2D();
  if (width == -1) width = bitmap->GetWidth();
  if (height == -1) height = bitmap->GetHeight();
  // The frame buffer's rectangle and its place in the bitmap move together,
  // cut to both.
  QRect read;
  read.Set(x + offsetX, y + offsetY, width, height);
  QRect place;
  place.Set(bx + offsetX, by + offsetY, width, height);
  QRect window;
  window.Set(0, 0, GetWidth(), GetHeight());
  QRect memory;
  memory.Set(0, 0, bitmap->GetWidth(), bitmap->GetHeight());
  const int fromX = read.x, fromY = read.y;
  if (!Intersect(read, window)) return;
  place.x += read.x - fromX;
  place.y += read.y - fromY;
  place.width = read.width;
  place.height = read.height;
  const int toX = place.x, toY = place.y;
  if (!Intersect(place, memory)) return;
  read.x += place.x - toX;
  read.y += place.y - toY;
  read.width = place.width;
  read.height = place.height;

  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPushAttrib(GL_ENABLE_BIT);
  glPixelStorei(GL_PACK_ROW_LENGTH, bitmap->GetWidth());
  glPixelStorei(GL_PACK_SKIP_PIXELS, place.x);
  glPixelStorei(GL_PACK_SKIP_ROWS, bitmap->GetHeight() - place.height - place.y);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glReadPixels(read.x, GetHeight() - read.height - read.y, read.width, read.height, GL_RGBA, GL_UNSIGNED_BYTE,
               bitmap->GetBuffer());
  glPopAttrib();
  glPopClientAttrib();
}

void QCanvas::CopyPixels(int sx, int sy, int width, int height, int dx, int dy) {
  Prepare2D();
  const int windowHeight = GetHeight();
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPushAttrib(GL_ENABLE_BIT);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, width == GetWidth() ? 0 : GetWidth());
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glDisable(GL_DITHER);
  glDisable(GL_BLEND);
  RasterAt(static_cast<float>(dx + offsetX), static_cast<float>(windowHeight - height - dy - offsetY));
  glCopyPixels(sx + offsetX, windowHeight - height - sy - offsetY, width, height, GL_COLOR);
  glPopAttrib();
  glPopClientAttrib();
}

void QCanvas::FlushBlits() {
  if (blitQueue) blitQueue->Execute();
}

void QCanvas::HoldBlits(bool on) {
  if (!blitQueue) blitQueue = std::make_unique<QBlitQueue>(this);
  blitQueue->Hold(on);
}

// --- coordinates and the obsolete ---------------------------------------------------

void QCanvas::ToCentered(int *x, int *y) const {
  *x -= GetWidth() / 2;
  *y = GetHeight() / 2 - *y;
}

void QCanvas::FromCentered(int *x, int *y) const {
  *x += GetWidth() / 2;
  *y = GetHeight() / 2 - *y;
}

void QCanvas::Shade() { qwarn("QCanvas::Shade obsolete call"); }

void QCanvas::Fill() { std::printf("QCanvas::Fill nyi\n"); }
