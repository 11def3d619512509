// A real X window with a GL visual on the test's own X server (xvfb-run),
// standing in for the window classes, with a GL context current on it.
#pragma once

#include <kiln/qdrawable.h>

#include <GL/glx.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QCanvas;
class QGLContext;

namespace kiln::test {

// The display of the test process, opened once and kept open: closing it
// unloads Mesa's driver, and the leak checker could no longer tell that
// what the driver keeps is the driver's. Null without an X server.
Display *TestDisplay();
// A double-buffered RGBA visual with a depth buffer.
XVisualInfo *TestVisual();
// The same with 8 bits of alpha kept in the frame buffer.
XVisualInfo *TestAlphaVisual();

class GLWindow : public QDrawable {
public:
  // A mapped window; with `withContext`, a context of its own made current;
  // with `withAlpha`, on TestAlphaVisual().
  GLWindow(int width, int height, bool withContext = true, bool withAlpha = false);
  ~GLWindow() override;

  const char *ClassName() const override { return "GLWindow"; }
  unsigned long GetXWindow() const override { return window; }
  unsigned long GetXDrawable() const override { return window; }
  int GetWidth() const override { return width; }
  int GetHeight() const override { return height; }

  // False without an X server or a context: the test skips.
  bool IsReady() const;
  // Names this window's canvas as the application's, as the application
  // object does for its own: textures made in its context are at home.
  void ActAsCanvas();
  QGLContext *Context() const { return context.get(); }
  // Pixel coordinates, origin at the bottom left, depth test off.
  void Setup2D() const;
  // The window's canvas, drawing through its context: made on first use and
  // held as windows hold theirs.
  QCanvas *Canvas();
  // The back buffer's pixels, RGBA, bottom row first: read before a swap,
  // after which the front buffer reads black here.
  std::vector<uint8_t> ReadPixels(int x, int y, int w, int h) const;
  std::array<uint8_t, 4> Pixel(int x, int y) const;

private:
  Window window = 0;
  Colormap colormap = 0;
  int width, height;
  std::unique_ptr<QGLContext> context;
};

}  // namespace kiln::test
