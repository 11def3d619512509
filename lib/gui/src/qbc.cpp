#define GL_GLEXT_PROTOTYPES
#include <kiln/qbc.h>

#include <kiln/qapp.h>
#include <kiln/qbitmap.h>
#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>
#include <kiln/qgroup.h>
#include <kiln/qxwindow.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "pixel_copy_state.h"

namespace {

// The preview's picture: 576 lines, shown as 432 between bands of 72.
constexpr int kPreviewLines = 576;
constexpr int kBlocks = kPreviewLines / 4;  // of 4 lines, squeezed to 3
constexpr int kBand = 72;
constexpr int kSqueezed = kPreviewLines * 3 / 4;

struct ModeSize {
  int width, height;
};
constexpr ModeSize kModes[] = {{768, 576}, {640, 480}, {720, 576}, {1280, 1024}};

// Graphic elements are painted over the BC's picture: what changes the
// picture marks them all for repaint.
void MarkGraphicElements() {
  if (QApp *app = QGetApp()) app->InvalidateGels();
}

void PaintBC(QDraw *, void *data) {
  if (data) MarkGraphicElements();
}

// Lines are counted from the top, as the picture's; OpenGL counts rows from
// the bottom. Both helpers cut their lines to the window.
class Lines {
public:
  Lines(int width, int height) : width(width), height(height) {}

  // Copies `count` lines from line `from` to line `to`.
  void Copy(int from, int to, int count) const {
    count = std::min({count, height - from, height - to});
    if (count <= 0 || from == to) return;
    glWindowPos2i(0, height - to - count);
    glCopyPixels(0, height - from - count, width, count, GL_COLOR);
  }
  // Clears colour and depth of `count` lines from line `top`.
  void Clear(int top, int count) const {
    count = std::min(count, height - top);
    if (count <= 0) return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, height - top - count, width, count);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
  }

private:
  int width, height;
};

}  // namespace

int QBC::previewMode = 1;
bool QBC::letterbox = true;

QBC::QBC(QWindow *parent, int mode, int x, int y, int width, int height)
    : QDraw(parent, x, y, 640, 480, PaintBC, this) {
  if (mode >= QBC_MODE_768x576 && mode <= QBC_MODE_1280x1024) {
    width = kModes[mode - 1].width;
    height = kModes[mode - 1].height;
  }
  SetSize(width, height);
  QRect around;
  around.Set(x - 2, y - 2, width + 4, height + 4);
  frame = std::make_unique<QGroup>(parent, around, nullptr);
  previewMode = 1;
  letterbox = true;
}

QBC::~QBC() { frame.reset(); }

void QBC::SetPreview(bool on) {
  bcFlags = on ? bcFlags | QBCF_PREVIEW : bcFlags & ~QBCF_PREVIEW;
  MarkGraphicElements();
}

void QBC::SetGuides(bool on) {
  bcFlags = on ? bcFlags | QBCF_GUIDES : bcFlags & ~QBCF_GUIDES;
  if (!on) MarkGraphicElements();
}

void QBC::SetAlphaView(bool on) { bcFlags = on ? bcFlags | QBCF_ALPHA_VIEW : bcFlags & ~QBCF_ALPHA_VIEW; }

void QBC::SetOption(bool on) { bcFlags = on ? bcFlags | QBCF_OPTION : bcFlags & ~QBCF_OPTION; }

void QBC::SetMark() { bcFlags |= QBCF_MARK; }

void QBC::ClearMark() { bcFlags &= ~QBCF_MARK; }

bool QBC::HasAlpha() const {
  const QXWindow *real = GetQXWindow();
  if (!real || !real->GetGLContext()) return false;
  QGLContext::Select(real->GetGLContext());
  GLint bits = 0;
  glGetIntegerv(GL_ALPHA_BITS, &bits);
  return bits > 0;
}

bool QBC::SwitchToAlpha() {
  qdbg("QBC:SwitchToAlpha\n");
  if (HasAlpha()) return true;
  qerr("QBC:SwitchToAlpha() only supported on SGI");
  return false;
}

void QBC::Swap() {
  const int effects = bcFlags & (QBCF_PREVIEW | QBCF_GUIDES | QBCF_ALPHA_VIEW);
  const QXWindow *real = GetQXWindow();
  if (!effects || !real || !real->GetGLContext()) {
    QDraw::Swap();
    return;
  }
  QGLContext::Select(real->GetGLContext());
  {
    kiln::gui::PixelCopyState plain(GetWidth(), GetHeight());
    if (bcFlags & QBCF_PREVIEW) Squeeze();
    if (bcFlags & QBCF_GUIDES) DrawGuides();
    if (bcFlags & QBCF_ALPHA_VIEW) ShowAlpha();
  }
  QDraw::Swap();
  if (bcFlags & QBCF_PREVIEW) {
    kiln::gui::PixelCopyState plain(GetWidth(), GetHeight());
    Unsqueeze();
  }
}

// The squeezed picture is 432 lines between bands of 72 (no bands without
// letterbox): its line offset + 3k + i is the program's line 4k + i. Each
// block goes straight to its place, in an order that reads every block
// before anything is written over it: blocks moving up from the top down,
// blocks moving down from the bottom up.
void QBC::Squeeze() const {
  const Lines lines(GetWidth(), GetHeight());
  const int offset = letterbox ? kBand : 0;
  for (int k = offset + 1; k < kBlocks; ++k) lines.Copy(4 * k, offset + 3 * k, 3);
  for (int k = std::min(offset, kBlocks) - 1; k >= 0; --k) lines.Copy(4 * k, offset + 3 * k, 3);
  if (!letterbox) return;
  lines.Clear(0, kBand);
  lines.Clear(kBand + kSqueezed, kBand);
}

// The program's lines 4j to 4j + 3 back from the squeezed block j and the
// first line of the next one, in the opposite orders.
void QBC::Unsqueeze() const {
  const Lines lines(GetWidth(), GetHeight());
  const int offset = letterbox ? kBand : 0;
  for (int j = 0; j < std::min(offset, kBlocks); ++j) lines.Copy(offset + 3 * j, 4 * j, 4);
  for (int j = kBlocks - 1; j > offset; --j) lines.Copy(offset + 3 * j, 4 * j, 4);
}

void QBC::DrawGuides() const {
  // Through pixel centres, lines counted from the top.
  const float w = static_cast<float>(GetWidth()), h = static_cast<float>(GetHeight());
  auto x = [](float column) { return column + 0.5f; };
  auto y = [h](float line) { return h - line - 0.5f; };
  glColor4ub(255, 255, 255, 255);
  glEnable(GL_LINE_STIPPLE);
  glLineWidth(1);
  glLineStipple(1, 0x3333);
  glBegin(GL_LINE_LOOP);
  glVertex2f(x(48), y(32));
  glVertex2f(x(w - 49), y(32));
  glVertex2f(x(w - 49), y(h - 33));
  glVertex2f(x(48), y(h - 33));
  glEnd();
  glLineStipple(2, 0xF0F0);
  const float cx = static_cast<float>(GetWidth() / 2), cy = static_cast<float>(GetHeight() / 2);
  glBegin(GL_LINES);
  // From the first pixel's centre to beyond the last, so both are lit.
  glVertex2f(x(cx), y(0));
  glVertex2f(x(cx), y(h));
  glVertex2f(x(0), y(cy));
  glVertex2f(x(w), y(cy));
  glEnd();
}

void QBC::ShowAlpha() {
  const int width = GetWidth(), height = GetHeight();
  if (!alphaView || alphaView->GetWidth() != width || alphaView->GetHeight() != height) {
    alphaView = std::make_unique<QBitMap>(32, width, height);
  }
  uint8_t *pixels = alphaView->GetBuffer();
  if (!pixels) return;
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (std::size_t i = 0; i < count; ++i, pixels += 4) pixels[0] = pixels[1] = pixels[2] = pixels[3];
  glWindowPos2i(0, 0);
  glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, alphaView->GetBuffer());
}
