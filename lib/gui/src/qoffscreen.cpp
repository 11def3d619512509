#include <kiln/qoffscreen.h>

#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>

#include <GL/gl.h>

namespace {

// The offscreen drawable whose canvas stands as the application's.
QOffscreen *standing = nullptr;

QCanvas *StandingCanvas() { return standing ? standing->GetCanvas() : nullptr; }

}  // namespace

QOffscreen::QOffscreen(int width, int height) : width(width), height(height) {
  if (width < 1 || height < 1) {
    qerr("QOffscreen::QOffscreen(); no picture of %dx%d pixels", width, height);
    return;
  }
  context = std::make_unique<QGLContext>(this, width, height);
  if (!context->IsValid()) return;
  auto *canvas = new QCanvas(this);
  canvas->SetGLContext(context.get());
  SetCanvasObject(canvas);
  // As a window starts: current, the whole pbuffer in view and black.
  QGLContext::Select(context.get());
  context->Viewport(0, 0, width, height);
  context->Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  if (!QCanvas::GetAppCanvas()) {
    standing = this;
    QCanvas::SetAppCanvasSource(StandingCanvas);
  }
}

QOffscreen::~QOffscreen() {
  if (standing == this) {
    // Unless an application named its own canvas meanwhile.
    if (QCanvas::GetAppCanvas() == GetCanvas()) QCanvas::SetAppCanvasSource(nullptr);
    standing = nullptr;
  }
}

bool QOffscreen::IsValid() const { return context && context->IsValid(); }

QCanvas *QOffscreen::GetCanvas() const { return QCanvas::Of(this); }
