#include <kiln/qgc.h>

#include <kiln/qdrawable.h>
#include <kiln/qfont.h>
#include <kiln/qrect.h>
#include <kiln/qxdisplay.h>

#include <cstring>

QGC::QGC(QDrawable *drawable) : drawable(drawable) {
  Display *display = QRequireXDisplay("QGC::QGC()");
  // A pixel buffer has no X drawable to draw on.
  if (display && drawable && drawable->GetXDrawable()) gc = XCreateGC(display, drawable->GetXDrawable(), 0, nullptr);
}

QGC::~QGC() {
  if (gc) XFreeGC(QGetXDisplay(), gc);
}

void QGC::Rectfill(const QRect &rect) {
  if (!gc || rect.width <= 0 || rect.height <= 0) return;
  XFillRectangle(QGetXDisplay(), drawable->GetXDrawable(), gc, rect.x, rect.y, static_cast<unsigned>(rect.width),
                 static_cast<unsigned>(rect.height));
}

void QGC::Triangle(int x1, int y1, int x2, int y2, int x3, int y3) {
  if (!gc) return;
  XPoint points[3] = {{static_cast<short>(x1), static_cast<short>(y1)},
                      {static_cast<short>(x2), static_cast<short>(y2)},
                      {static_cast<short>(x3), static_cast<short>(y3)}};
  XFillPolygon(QGetXDisplay(), drawable->GetXDrawable(), gc, points, 3, Convex, CoordModeOrigin);
}

void QGC::Text(const char *text, int x, int y, int length) {
  if (!gc || !text) return;
  const int available = static_cast<int>(std::strlen(text));
  if (length < 0 || length > available) length = available;
  XDrawString(QGetXDisplay(), drawable->GetXDrawable(), gc, x, y, text, length);
}

void QGC::SetColor(int index) {
  if (gc) XSetForeground(QGetXDisplay(), gc, QGetDefaultColor(index));
}

void QGC::SetFont(QFont *newFont) {
  font = newFont;
  if (gc && font && font->GetXFont()) XSetFont(QGetXDisplay(), gc, font->GetXFont());
}
