#include "gl_session.h"

#include <kiln/qcanvas.h>
#include <kiln/qdrawable.h>
#include <kiln/qglcontext.h>
#include <kiln/qoffscreen.h>
#include <kiln/qxdisplay.h>

namespace {

QCanvas *windowCanvas = nullptr;

}  // namespace

// An unmapped window on the X display with a GL context current on it.
class GLSession::HiddenWindow : public QDrawable {
public:
  HiddenWindow(Display *display, int width, int height);
  ~HiddenWindow() override;

  const char *ClassName() const override { return "GLSession"; }
  unsigned long GetXWindow() const override { return window; }
  unsigned long GetXDrawable() const override { return window; }
  int GetWidth() const override { return width; }
  int GetHeight() const override { return height; }
  bool IsReady() const { return ready; }

private:
  Display *display;
  int width, height;
  Window window = 0;
  std::unique_ptr<QGLContext> context;
  bool ready = false;
};

GLSession::HiddenWindow::HiddenWindow(Display *display, int width, int height)
    : display(display), width(width), height(height) {
  QSetXDisplay(display);
  int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
  XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
  if (!visual) return;
  const Window root = RootWindow(display, visual->screen);
  XSetWindowAttributes windowAttributes{};
  windowAttributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  window = XCreateWindow(display, root, 0, 0, width, height, 0, visual->depth, InputOutput, visual->visual, CWColormap,
                         &windowAttributes);
  context = std::make_unique<QGLContext>(this, visual, nullptr, true);
  XFree(visual);
  if (!context->IsValid()) return;
  QGLContext::Select(context.get());
  if (glXGetCurrentContext() != context->GetGLXContext()) return;
  auto *canvas = new QCanvas(this);
  canvas->SetGLContext(context.get());
  SetCanvasObject(canvas);
  windowCanvas = canvas;
  QCanvas::SetAppCanvasSource([] { return windowCanvas; });
  ready = true;
}

GLSession::HiddenWindow::~HiddenWindow() {
  if (windowCanvas == QCanvas::Of(this)) {
    QCanvas::SetAppCanvasSource(nullptr);
    windowCanvas = nullptr;
  }
  if (context) glXMakeCurrent(display, None, nullptr);
  context.reset();
  if (window) XDestroyWindow(display, window);
  // The display stays open: the GL driver keeps state tied to it until exit.
}

GLSession::GLSession(int width, int height) {
  if (Display *display = XOpenDisplay(nullptr)) {
    window = std::make_unique<HiddenWindow>(display, width, height);
    ready = window->IsReady();
    return;
  }
  offscreen = std::make_unique<QOffscreen>(width, height);
  ready = offscreen->IsValid();
}

GLSession::~GLSession() = default;

QCanvas *GLSession::GetCanvas() const {
  if (!ready) return nullptr;
  return window ? QCanvas::Of(window.get()) : offscreen->GetCanvas();
}
