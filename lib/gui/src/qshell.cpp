#include <kiln/qshell.h>

#include <kiln/qcanvas.h>

QShell::QShell(QWindow *parent, int x, int y, int width, int height) : QDraw(parent, x, y, width, height) {}

void QShell::Paint(int) { OnExpose(0, 0, GetWidth(), GetHeight()); }

bool QShell::OnExpose(int x, int y, int width, int height) {
  QRect area;
  area.Set(x, y, width, height);
  PaintBackground(area);
  if (QCanvas *canvas = GetCanvas()) canvas->Outline(0, 0, GetWidth(), GetHeight());
  return true;
}
