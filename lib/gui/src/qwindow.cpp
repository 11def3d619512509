#include <kiln/qwindow.h>

#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>
#include <kiln/qwindowhost.h>
#include <kiln/qwindowmanager.h>
#include <kiln/qxdisplay.h>
#include <kiln/qxwindow.h>

#include <GL/gl.h>

#include "window_hit_grid.h"

namespace {

constexpr int kTab = 0xFF09;
constexpr int kShiftTab = 0x1FF09;

}  // namespace

QWindow::QWindow(QWindow *parent, int x, int y, int width, int height) : parent(parent) {
  rect.Set(x, y, width, height);
  if (parent && parent->GetCanvas()) {
    MakeChildCanvas();
  } else {
    SetCanvasObject(new QCanvas(this));
  }
}

QWindow::~QWindow() {
  if (QWindowManager *manager = QGetWindowManager()) manager->Forget(this);
  QEventRemoveWindow(this);
  SetCanvasObject(nullptr);
  xwindow.reset();
}

QCanvas *QWindow::GetCanvas() const { return QCanvas::Of(this); }

void QWindow::MakeChildCanvas() {
  SetCanvasObject(new QCanvas(parent->GetCanvas()));
  MoveCanvas();
}

void QWindow::MoveCanvas() {
  QCanvas *canvas = GetCanvas();
  if (!canvas || (xwindow && IsCreated())) return;
  const QCanvas *above = parent ? parent->GetCanvas() : nullptr;
  canvas->SetOffset((above ? above->GetOffsetX() : 0) + rect.x, (above ? above->GetOffsetY() : 0) + rect.y);
}

QXWindow *QWindow::GetXWindowOf(const QWindow *window) {
  for (; window; window = window->parent) {
    if (window->xwindow) return window->xwindow.get();
  }
  return nullptr;
}

// --- creation ---------------------------------------------------------------

int QWindow::Create() {
  if (IsCreated()) return true;
  if (IsX()) {
    xwindow = std::make_unique<QXWindow>(GetXWindowOf(parent), rect.x, rect.y, rect.width, rect.height);
    xwindow->PrefWM(flags & QWF_MANAGED);
    if (flags & QWF_FULLSCREEN) xwindow->PrefFullScreen();
    if (!xwindow->Create()) {
      xwindow.reset();
      return false;
    }
    auto *canvas = new QCanvas(xwindow.get());
    canvas->SetGLContext(xwindow->GetGLContext());
    canvas->SetBackBuffer(false);
    SetCanvasObject(canvas);
  } else {
    const QXWindow *real = GetXWindowOf(parent);
    if (!real) {
      qerr("QWindow::Create() without a parent real X window");
      return false;
    }
    // Made before its parent was: draw where the parent draws now.
    if (GetCanvas()->GetGLContext() != real->GetGLContext()) MakeChildCanvas();
  }
  flags |= QWF_CREATED;
  kiln::gui::NoteWindowLayoutChange();
  if (QWindowManager *manager = QGetWindowManager()) manager->AddWindow(this);
  return true;
}

void QWindow::Destroy() {
  if (xwindow) xwindow->Destroy();
  kiln::gui::NoteWindowLayoutChange();
}

bool QWindow::Preference(const char *name) {
  if (!IsCreated()) return true;
  qwarn("QWindow:%s() called after window was created", name);
  return false;
}

void QWindow::PrefFullScreen() {
  if (Preference("PrefFullScreen")) flags |= QWF_FULLSCREEN;
}

void QWindow::PrefWM(bool on) {
  if (Preference("PrefWM")) flags = on ? flags | QWF_MANAGED : flags & ~QWF_MANAGED;
}

void QWindow::MakeSoftWindow() {
  if (Preference("MakeSoftWindow")) flags &= ~QWF_X;
}

void QWindow::MakeRealX() {
  if (Preference("MakeRealX")) flags |= QWF_X;
}

// --- state -------------------------------------------------------------------

void QWindow::Enable() {
  flags &= ~QWF_DISABLED;
  kiln::gui::NoteWindowLayoutChange();
}

void QWindow::Disable() {
  flags |= QWF_DISABLED;
  kiln::gui::NoteWindowLayoutChange();
}

void QWindow::SetEventMask(int mask) {
  eventMask = mask;
  kiln::gui::NoteWindowLayoutChange();
}

void QWindow::SetMotionCompression(bool on) {
  flags = on ? flags | QWF_COMPRESS_MOTION : flags & ~QWF_COMPRESS_MOTION;
}

void QWindow::SetUseBackgroundImage(bool use) {
  flags = use ? flags & ~QWF_NO_BACKGROUND_IMAGE : flags | QWF_NO_BACKGROUND_IMAGE;
}

void QWindow::SetTabOrder(int order) {
  if (order == -2) {
    QWindowManager *manager = QGetWindowManager();
    order = 0;
    for (int i = 0; manager && manager->GetWindow(i); ++i) {
      if (manager->GetWindow(i)->tabOrder >= order) order = manager->GetWindow(i)->tabOrder + 1;
    }
  }
  tabOrder = order;
}

void QWindow::Hide() {
  if (!IsVisible()) return;
  if (IsX()) {
    qwarn("Can't hide X QWindow");
    return;
  }
  if (parent) parent->Invalidate(&rect);
  flags |= QWF_HIDDEN;
  kiln::gui::NoteWindowLayoutChange();
}

void QWindow::Show() {
  if (IsVisible()) return;
  flags &= ~QWF_HIDDEN;
  kiln::gui::NoteWindowLayoutChange();
  Invalidate();
}

bool QWindow::SetSize(int width, int height) {
  if (IsCreated() && xwindow) {
    xwindow->SetSize(width, height);
  } else if (IsCreated() && parent) {
    parent->Invalidate(&rect);
  }
  rect.width = width;
  rect.height = height;
  kiln::gui::NoteWindowLayoutChange();
  if (IsCreated() && !xwindow) Invalidate();
  return true;
}

bool QWindow::SetPos(int x, int y) {
  if (IsCreated() && xwindow) {
    xwindow->SetPos(x, y);
  } else if (IsCreated() && parent) {
    parent->Invalidate(&rect);
  }
  rect.x = x;
  rect.y = y;
  kiln::gui::NoteWindowLayoutChange();
  MoveCanvas();
  if (IsCreated() && !xwindow) Invalidate();
  return true;
}

// --- events -------------------------------------------------------------------

void QWindow::Invalidate(const QRect *area) {
  QRect whole;
  whole.Set(0, 0, rect.width, rect.height);
  const QRect &exposed = area ? *area : whole;
  if (xwindow && xwindow->GetXWindow()) {
    // As X would send it: the soft children get their parts.
    XEvent expose{};
    expose.xexpose.type = Expose;
    expose.xexpose.window = xwindow->GetXWindow();
    expose.xexpose.x = exposed.x;
    expose.xexpose.y = exposed.y;
    expose.xexpose.width = exposed.width;
    expose.xexpose.height = exposed.height;
    QEventTranslate(expose);
    return;
  }
  QEvent event;
  event.type = QEVENT_EXPOSE;
  event.x = exposed.x;
  event.y = exposed.y;
  event.width = exposed.width;
  event.height = exposed.height;
  event.window = this;
  QEventPush(event);
}

void QWindow::PostEvent(const QEvent &event) { QEventPush(event); }

bool QWindow::Event(const QEvent *event) {
  switch (event->type) {
    case QEVENT_KEYPRESS: return OnKeyPress(event->n, event->x, event->y);
    case QEVENT_KEYRELEASE: return OnKeyRelease(event->n, event->x, event->y);
    case QEVENT_BUTTONPRESS: return OnButtonPress(event->n, event->x, event->y);
    case QEVENT_BUTTONRELEASE: return OnButtonRelease(event->n, event->x, event->y);
    case QEVENT_MOTIONNOTIFY: return OnMotion(event->x, event->y);
    case QEVENT_ENTER: return OnEnter();
    case QEVENT_LEAVE: return OnLeave();
    case QEVENT_EXPOSE: return OnExpose(event->x, event->y, event->width, event->height);
    case QEVENT_RESIZE: return OnResize(event->width, event->height);
    case QEVENT_FOCUSIN: return OnFocusIn();
    case QEVENT_FOCUSOUT: return OnFocusOut();
    default: return false;
  }
}

void QWindow::Paint(int) {}

bool QWindow::OnButtonPress(int, int, int) { return false; }
bool QWindow::OnButtonRelease(int, int, int) { return false; }
bool QWindow::OnKeyRelease(int, int, int) { return false; }
bool QWindow::OnMotion(int, int) { return false; }
bool QWindow::OnResize(int, int) { return false; }
bool QWindow::OnLeave() { return true; }

bool QWindow::OnKeyPress(int key, int, int) {
  if (key != kTab && key != kShiftTab) return false;
  QWindowManager *manager = QGetWindowManager();
  if (manager && manager->IsTabbingEnabled()) key == kTab ? manager->FocusNext() : manager->FocusPrevious();
  return true;
}

bool QWindow::OnExpose(int, int, int, int) {
  Paint(0);
  return true;
}

bool QWindow::OnFocusIn() {
  Paint(0);
  return false;
}

bool QWindow::OnFocusOut() {
  Paint(0);
  return false;
}

bool QWindow::OnEnter() {
  const QXWindow *real = GetXWindowOf(this);
  QWindowHost *host = QGetWindowHost();
  const QEvent *current = host ? host->GetCurrentEvent() : nullptr;
  const Time time = current ? static_cast<Time>(static_cast<uint32_t>(current->n)) : CurrentTime;
  if (real && real->GetXWindow()) XSetInputFocus(QGetXDisplay(), real->GetXWindow(), RevertToParent, time);
  return true;
}

// --- painting ------------------------------------------------------------------

void QWindow::PaintBackground() {
  QRect whole;
  whole.Set(0, 0, rect.width, rect.height);
  PaintBackground(whole);
}

void QWindow::PaintBackground(const QRect &area) {
  QCanvas *canvas = GetCanvas();
  QWindowManager *manager = QGetWindowManager();
  if (manager && !(canvas && canvas->IsX())) {
    manager->PaintBackground(this, &area);
  } else if (canvas) {
    canvas->SetColor(PX_MDGRAY);
    canvas->Rectfill(area);
  }
}

void QWindow::SetTextureGrid(int x, int y, int cellWidth, int cellHeight) { textureGrid.Set(x, y, cellWidth, cellHeight); }

void QWindow::SetTextureOffset(int x, int y) {
  textureOffsetX = x;
  textureOffsetY = y;
}

void QWindow::PaintTexture() {
  if (!texture.name) {
    qwarn("QWindow:PaintTexture(); no texture");
    return;
  }
  if (textureGrid.width == 0) {
    qwarn("QWindow:PaintTexture(); texGrid.wid=0");
    return;
  }
  QCanvas *canvas = GetCanvas();
  QGLContext *context = canvas ? canvas->GetGLContext() : nullptr;
  if (!context) return;
  canvas->Select();
  context->Setup2D();
  // The window's place in its real window, y flipped to OpenGL's.
  const float halfWidth = rect.width / 2.0f, halfHeight = rect.height / 2.0f;
  const float centreX = static_cast<float>(textureOffsetX + canvas->GetOffsetX()) + halfWidth;
  const float centreY =
      static_cast<float>(canvas->GetHeight() - 1) - (static_cast<float>(textureOffsetY + canvas->GetOffsetY()) + halfHeight);
  const float cell = static_cast<float>(textureGrid.width) / static_cast<float>(texture.width);
  const float s0 = static_cast<float>(textureIndex) * cell, s1 = s0 + cell;
  const float t1 = 1.0f, t0 = 1.0f - static_cast<float>(textureGrid.height) / static_cast<float>(texture.height);

  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture.name);
  context->Enable(GL_BLEND);
  context->BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  context->Disable(GL_CULL_FACE);
  context->Disable(GL_LIGHTING);
  glColor4f(1, 1, 1, IsEnabled() ? 1.0f : 0.3f);
  glBegin(GL_QUADS);
  glTexCoord2f(s0, t0);
  glVertex2f(centreX - halfWidth, centreY - halfHeight);
  glTexCoord2f(s1, t0);
  glVertex2f(centreX + halfWidth, centreY - halfHeight);
  glTexCoord2f(s1, t1);
  glVertex2f(centreX + halfWidth, centreY + halfHeight);
  glTexCoord2f(s0, t1);
  glVertex2f(centreX - halfWidth, centreY + halfHeight);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}
