#include "gl_window.h"

#include <kiln/qcanvas.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>
#include <unistd.h>

namespace kiln::test {
namespace {

// One connection per process: a forked child (a test of once-only
// messages) opens its own rather than talk over its parent's.
struct Connection {
  pid_t owner = 0;
  Display *display = nullptr;
  XVisualInfo *visual = nullptr;
  XVisualInfo *alphaVisual = nullptr;
};

Connection &Current() {
  static Connection connection;
  if (connection.owner != getpid()) {
    connection.owner = getpid();
    connection.display = XOpenDisplay(nullptr);
    connection.visual = connection.alphaVisual = nullptr;
    if (connection.display) {
      QSetXDisplay(connection.display);
      int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                          GLX_DEPTH_SIZE, 16, None, None, None};
      connection.visual = glXChooseVisual(connection.display, DefaultScreen(connection.display), attributes);
      attributes[10] = GLX_ALPHA_SIZE;
      attributes[11] = 8;
      connection.alphaVisual = glXChooseVisual(connection.display, DefaultScreen(connection.display), attributes);
    }
  }
  // Tests of the event queue set displays of their own: this one comes back.
  if (connection.display && QGetXDisplay() != connection.display) QSetXDisplay(connection.display);
  return connection;
}

QCanvas *appCanvas = nullptr;

}  // namespace

Display *TestDisplay() { return Current().display; }

XVisualInfo *TestVisual() { return Current().visual; }

XVisualInfo *TestAlphaVisual() { return Current().alphaVisual; }

GLWindow::GLWindow(int width, int height, bool withContext, bool withAlpha) : width(width), height(height) {
  Display *display = TestDisplay();
  XVisualInfo *visual = withAlpha ? TestAlphaVisual() : TestVisual();
  if (!display || !visual) return;
  XSetWindowAttributes attributes{};
  attributes.colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
  attributes.event_mask = StructureNotifyMask;
  window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, static_cast<unsigned>(width),
                         static_cast<unsigned>(height), 0, visual->depth, InputOutput, visual->visual,
                         CWColormap | CWEventMask, &attributes);
  colormap = attributes.colormap;
  XMapWindow(display, window);
  for (XEvent event;;) {
    XWindowEvent(display, window, StructureNotifyMask, &event);
    if (event.type == MapNotify) break;
  }
  if (!withContext) return;
  context = std::make_unique<QGLContext>(this, visual, nullptr, true);
  if (context->IsValid()) QGLContext::Select(context.get());
}

GLWindow::~GLWindow() {
  Display *display = TestDisplay();
  if (appCanvas && appCanvas == QCanvas::Of(this)) {
    appCanvas = nullptr;
    QCanvas::SetAppCanvasSource(nullptr);
  }
  if (!window) return;
  if (context) {
    glXMakeCurrent(display, None, nullptr);
    context.reset();
  }
  XDestroyWindow(display, window);
  XFreeColormap(display, colormap);
  XSync(display, False);
}

bool GLWindow::IsReady() const { return window && context && context->IsValid(); }

void GLWindow::ActAsCanvas() {
  appCanvas = Canvas();
  QCanvas::SetAppCanvasSource([] { return appCanvas; });
}

QCanvas *GLWindow::Canvas() {
  if (QCanvas *held = QCanvas::Of(this)) return held;
  auto *canvas = new QCanvas(this);
  canvas->SetGLContext(context.get());
  SetCanvasObject(canvas);
  return canvas;
}

void GLWindow::Setup2D() const {
  context->Setup2D();
  glDisable(GL_DEPTH_TEST);
}

std::vector<uint8_t> GLWindow::ReadPixels(int x, int y, int w, int h) const {
  std::vector<uint8_t> pixels(static_cast<std::size_t>(w) * h * 4);
  glFinish();
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadBuffer(GL_BACK);
  glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glPopClientAttrib();
  return pixels;
}

std::array<uint8_t, 4> GLWindow::Pixel(int x, int y) const {
  std::vector<uint8_t> one = ReadPixels(x, y, 1, 1);
  return {one[0], one[1], one[2], one[3]};
}

}  // namespace kiln::test
