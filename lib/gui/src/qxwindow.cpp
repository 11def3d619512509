#include <kiln/qxwindow.h>

#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>
#include <kiln/qwindowhost.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>
#include <GL/glx.h>

#include "video_mode.h"

namespace {

constexpr int kScreen = 0;
// KeyPress, KeyRelease, ButtonPress, ButtonRelease, EnterWindow,
// LeaveWindow, PointerMotion, Exposure, StructureNotify.
constexpr long kEventMask = 0x2807F;

XVisualInfo *ChooseGLVisual(Display *display, bool depthStencil) {
  int withBuffers[] = {GLX_RGBA,     GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_DEPTH_SIZE, 1,
                       GLX_STENCIL_SIZE, 1, None};
  int plain[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, None};
  return glXChooseVisual(display, DefaultScreen(display), depthStencil ? withBuffers : plain);
}

}  // namespace

QXWindow::QXWindow(QXWindow *parent, int x, int y, int width, int height) : parent(parent) {
  rect.Set(x, y, width, height);
}

QXWindow::~QXWindow() { Release(); }

void QXWindow::Release() {
  Display *display = QGetXDisplay();
  context.reset();
  if (switchedMode) {
    switchedMode = false;
    kiln::gui::VidModeRestore();
  }
  if (display && window) {
    XDestroyWindow(display, window);
    XSync(display, False);
    XSync(display, False);
  }
  window = 0;
  if (display && colormap) XFreeColormap(display, colormap);
  colormap = 0;
  if (visual) XFree(visual);
  visual = nullptr;
}

bool QXWindow::ChooseVisual() {
  Display *display = QGetXDisplay();
  if (flags & QXWF_PSEUDOCOLOR) {
    XVisualInfo wanted{};
    wanted.screen = kScreen;
    wanted.depth = 8;
    wanted.c_class = PseudoColor;
    int found = 0;
    visual = XGetVisualInfo(display, VisualScreenMask | VisualDepthMask | VisualClassMask, &wanted, &found);
    if (visual) return true;
    qwarn("QXWindow:Create; no 8-bit PseudoColor visual on this display; using an OpenGL visual");
  }
  visual = ChooseGLVisual(display, flags & QXWF_DEPTH_STENCIL);
  if (visual) return true;
  qwarn("QXWindow:Create; no optimal visual found");
  visual = ChooseGLVisual(display, false);
  if (visual) return true;
  qerr("QXWindow:Create; glXChooseVisual failed");
  return false;
}

int QXWindow::Create() {
  Display *display = QRequireXDisplay("QXWindow:Create");
  if (!display) return false;
  if (window) return true;
  if (flags & QXWF_FULLSCREEN) {
    int width = 640, height = 480, depth = 32, oldWidth = 0, oldHeight = 0;
    if (QWindowHost *host = QGetWindowHost()) host->GetFullScreenMode(&width, &height, &depth);
    const bool known = kiln::gui::VidModeCurrent(&oldWidth, &oldHeight);
    switchedMode = kiln::gui::VidModeSwitch(width, height, depth);
    if (switchedMode && known) kiln::gui::VidModeRestoreAtExit(oldWidth, oldHeight);
  }
  if (!ChooseVisual()) return false;

  QGLContext *shared = parent ? parent->context.get() : nullptr;
  context = std::make_unique<QGLContext>(this, visual, shared, true);
  if (!context->IsValid()) {
    qwarn("QXWindow: Can't create direct rendering ctx; trying indirect");
    context = std::make_unique<QGLContext>(this, visual, shared, false);
    if (!context->IsValid()) qerr("QXWindow: can't create rendering context");
  }

  const Window root = RootWindow(display, visual->screen);
  colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  XSetWindowAttributes attributes{};
  attributes.colormap = colormap;
  attributes.border_pixel = 0;
  attributes.event_mask = kEventMask;
  attributes.override_redirect = (flags & QXWF_MANAGED) ? False : True;
  window = XCreateWindow(display, parent ? parent->window : root, rect.x, rect.y, static_cast<unsigned>(rect.width),
                         static_cast<unsigned>(rect.height), 0, visual->depth, InputOutput, visual->visual,
                         CWColormap | CWBorderPixel | CWEventMask | CWOverrideRedirect, &attributes);
  XMapWindow(display, window);
  XSync(display, False);
  XSync(display, False);
  if (flags & QXWF_FULLSCREEN) {
    XGrabPointer(display, window, True, 0, GrabModeAsync, GrabModeAsync, window, None, CurrentTime);
  }
  if (context->IsValid()) {
    QGLContext::Select(context.get(), this);
    context->Viewport(0, 0, rect.width, rect.height);
    context->DrawBuffer(GL_FRONT);
    context->Clear(GL_COLOR_BUFFER_BIT);
    context->DrawBuffer(GL_BACK);
  }
  return true;
}

void QXWindow::Destroy() { qerr("QXWindow:Destroy NYI"); }

void QXWindow::Swap() {
  if (context) context->Swap();
}

void QXWindow::Show() {
  if (window) XMapWindow(QGetXDisplay(), window);
}

void QXWindow::Hide() {
  if (window) XUnmapWindow(QGetXDisplay(), window);
}

void QXWindow::Raise() {
  if (window) XRaiseWindow(QGetXDisplay(), window);
}

void QXWindow::Lower() {
  if (window) XLowerWindow(QGetXDisplay(), window);
}

void QXWindow::SetCursor(Cursor cursor) {
  if (window) XDefineCursor(QGetXDisplay(), window, cursor);
}

void QXWindow::SetInputFocus(Time time) {
  if (window) XSetInputFocus(QGetXDisplay(), window, RevertToParent, time);
}

void QXWindow::SetSize(int width, int height) {
  int x, y, nowWidth, nowHeight;
  Geometry(&x, &y, &nowWidth, &nowHeight);
  if (window && (nowWidth != width || nowHeight != height)) {
    XResizeWindow(QGetXDisplay(), window, static_cast<unsigned>(width), static_cast<unsigned>(height));
  }
  rect.width = width;
  rect.height = height;
  if (context && context->IsValid()) {
    context->Viewport(0, 0, width, height);
    context->Invalidate2D();
  }
}

void QXWindow::SetPos(int x, int y) {
  if (window) XMoveWindow(QGetXDisplay(), window, x, y);
  rect.x = x;
  rect.y = y;
}

void QXWindow::Geometry(int *x, int *y, int *width, int *height) const {
  *x = *y = *width = *height = 0;
  if (!window || !QGetXDisplay()) return;
  Window root;
  unsigned w = 0, h = 0, border, depth;
  XGetGeometry(QGetXDisplay(), window, &root, x, y, &w, &h, &border, &depth);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
}

int QXWindow::GetX() const {
  int x, y, width, height;
  Geometry(&x, &y, &width, &height);
  return x;
}

int QXWindow::GetY() const {
  int x, y, width, height;
  Geometry(&x, &y, &width, &height);
  return y;
}

void QXWindow::SetTitle(const char *title) {
  if (!(flags & QXWF_MANAGED) || !window || !title) return;
  XTextProperty property;
  char *text = const_cast<char *>(title);
  if (!XStringListToTextProperty(&text, 1, &property)) {
    qerr("no mem for X WM_NAME property");
    return;
  }
  XSetWMName(QGetXDisplay(), window, &property);
  XFree(property.value);
  XStoreName(QGetXDisplay(), window, title);
}

void QXWindow::SetIconName(const char *name) {
  if ((flags & QXWF_MANAGED) && window && name) XSetIconName(QGetXDisplay(), window, name);
}

void QXWindow::PrefWM(bool on) { flags = on ? flags | QXWF_MANAGED : flags & ~QXWF_MANAGED; }
void QXWindow::PrefFullScreen() { flags |= QXWF_FULLSCREEN; }
void QXWindow::PrefPseudoColor() { flags |= QXWF_PSEUDOCOLOR; }
void QXWindow::PrefDepthStencil(bool on) {
  flags = on ? flags | QXWF_DEPTH_STENCIL : flags & ~QXWF_DEPTH_STENCIL;
}

void QXWindow::ShowCursor() { qwarn("QXWindow:ShowCursor() nyi for non-Win32"); }
void QXWindow::HideCursor() { qwarn("QXWindow:HideCursor() nyi for non-Win32"); }
void QXWindow::EnableMaximize() { qwarn("QXWindow:EnableMaximize() nyi on this platform"); }
void QXWindow::DisableMaximize() { qwarn("QXWindow:DisableMaximize() nyi on this platform"); }
void QXWindow::EnableMinimize() { qwarn("QXWindow:EnableMinimize() nyi on this platform"); }
void QXWindow::DisableMinimize() { qwarn("QXWindow:DisableMinimize() nyi on this platform"); }
