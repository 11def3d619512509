// A window of the benchmark's own on the X server (make bench runs the
// drawing benchmarks under xvfb-run), with a GL context current on it and
// a canvas bound to the context.
#pragma once

#include <kiln/qcanvas.h>
#include <kiln/qdrawable.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>

#include <GL/glx.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace kiln::bench {

// The current context's back buffer, its bytes summed, each weighted by its
// place: what two sides drew must agree before their times mean anything.
inline double BackBufferSum(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  double sum = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) sum += pixels[i] * static_cast<double>(i % 997 + 1);
  return sum;
}

class BenchWindow : public QDrawable {
public:
  BenchWindow(int width, int height) : width(width), height(height) {
    Display *display = XOpenDisplay(nullptr);
    if (!display) return;
    QSetXDisplay(display);
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                        GLX_DEPTH_SIZE, 16, None};
    XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (!visual) return;
    XSetWindowAttributes windowAttributes{};
    windowAttributes.colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
    window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, visual->depth, InputOutput, visual->visual, CWColormap,
                           &windowAttributes);
    XMapWindow(display, window);
    XSync(display, False);
    context = std::make_unique<QGLContext>(this, visual, nullptr, true);
    XFree(visual);
    if (!context->IsValid()) return;
    QGLContext::Select(context.get());
    canvas = new QCanvas(this);
    canvas->SetGLContext(context.get());
    SetCanvasObject(canvas);
  }

  const char *ClassName() const override { return "BenchWindow"; }
  unsigned long GetXWindow() const override { return window; }
  unsigned long GetXDrawable() const override { return window; }
  int GetWidth() const override { return width; }
  int GetHeight() const override { return height; }
  // False without an X server with GL.
  bool Ready() const { return canvas != nullptr; }

  double BackBufferSum() const { return kiln::bench::BackBufferSum(width, height); }

  QCanvas *canvas = nullptr;

private:
  int width, height;
  Window window = 0;
  std::unique_ptr<QGLContext> context;
};

}  // namespace kiln::bench
