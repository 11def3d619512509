#include <kiln/qdrawable.h>

#include <kiln/qdebug.h>

QDrawable::~QDrawable() {
  delete canvas;
  canvas = nullptr;
}

int QDrawable::Create() {
  qerr("QDrawable::Create() base class called");
  return 1;
}

void QDrawable::Destroy() { qerr("QDrawable::Destroy() base class called"); }

void QDrawable::SetCanvasObject(QObject *newCanvas) {
  if (newCanvas == canvas) return;
  delete canvas;
  canvas = newCanvas;
}
