#include <kiln/qdraw.h>

#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>
#include <kiln/qxwindow.h>

#include <GL/gl.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <memory>

namespace {

// A channel of a pixel by its mask, scaled to 0-255.
int Channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const unsigned long top = mask >> shift;
  return static_cast<int>(((pixel & mask) >> shift) * 255 / top);
}

}  // namespace

QDraw::QDraw(QWindow *parent, int x, int y, int width, int height, QDrawPaintProc paint, void *data)
    : QWindow(parent, x, y, width, height), paintProc(paint), paintData(data) {
  MakeRealX();
  SetEventMask(7);
}

void QDraw::SetPaintProc(QDrawPaintProc proc, void *procData) {
  paintProc = proc;
  paintData = procData;
}

void QDraw::Paint(int) {
  if (paintProc) paintProc(this, paintData);
}

void QDraw::Swap() {
  if (QXWindow *real = GetXWindowOf(this)) real->Swap();
}

bool QDraw::Screenshot(const char *file) {
  // The front buffer of a swapped window reads black on some renderers:
  // the picture is what X shows.
  const QXWindow *real = GetXWindowOf(this);
  Display *display = QGetXDisplay();
  if (!real || !real->GetXWindow() || !display || GetWidth() <= 0 || GetHeight() <= 0) return false;
  // What was drawn and is still on its way to the window is part of it.
  if (QGLContext *context = real->GetGLContext()) {
    QGLContext::Select(context);
    glFinish();
  }
  // Someone else (a window manager, the user) may have resized the window
  // since: asking for more than it has is an X error.
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, real->GetXWindow(), &attributes)) return false;
  const int width = std::min(GetWidth(), attributes.width), height = std::min(GetHeight(), attributes.height);
  XImage *image = XGetImage(display, real->GetXWindow(), 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!image) return false;
  auto bitmap = std::make_unique<QBitMap>(32, width, height);
  if (!bitmap->GetBuffer()) {
    XDestroyImage(image);
    return false;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      bitmap->SetPixel(x, y, QColor(Channel(pixel, image->red_mask), Channel(pixel, image->green_mask),
                                    Channel(pixel, image->blue_mask), 255));
    }
  }
  XDestroyImage(image);
  return bitmap->Write(file, QBM_FORMAT_TGA, 80);
}
