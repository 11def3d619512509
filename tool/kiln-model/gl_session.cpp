#include "gl_session.h"

#include <kiln/qcanvas.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>

namespace {

QCanvas *sessionCanvas = nullptr;

}  // namespace

GLSession::GLSession() {
  display = XOpenDisplay(nullptr);
  if (!display) return;
  QSetXDisplay(display);
  int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
  XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
  if (!visual) return;
  const Window root = RootWindow(display, visual->screen);
  XSetWindowAttributes windowAttributes{};
  windowAttributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  window = XCreateWindow(display, root, 0, 0, 16, 16, 0, visual->depth, InputOutput, visual->visual, CWColormap,
                         &windowAttributes);
  context = std::make_unique<QGLContext>(this, visual, nullptr, true);
  XFree(visual);
  if (!context->IsValid()) return;
  QGLContext::Select(context.get());
  if (glXGetCurrentContext() != context->GetGLXContext()) return;
  auto *canvas = new QCanvas(this);
  canvas->SetGLContext(context.get());
  SetCanvasObject(canvas);
  sessionCanvas = canvas;
  QCanvas::SetAppCanvasSource([] { return sessionCanvas; });
  ready = true;
}

GLSession::~GLSession() {
  QCanvas::SetAppCanvasSource(nullptr);
  sessionCanvas = nullptr;
  if (!display) return;
  if (context) glXMakeCurrent(display, None, nullptr);
  context.reset();
  if (window) XDestroyWindow(display, window);
  // The display stays open: the GL driver keeps state tied to it until exit.
}
