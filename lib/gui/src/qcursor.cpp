#include <kiln/qcursor.h>

#include <kiln/qxdisplay.h>

namespace {

// X bitmap rows, lowest bit the leftmost pixel.
const unsigned char kArrow[32] = {
    0x01, 0x00, 0x03, 0x00, 0x07, 0x00, 0x0F, 0x00, 0x1F, 0x00, 0x3F, 0x00, 0x7F, 0x00, 0xFF, 0x00,
    0xFF, 0x01, 0x1F, 0x00, 0x3B, 0x00, 0x31, 0x00, 0x60, 0x00, 0x60, 0x00, 0xC0, 0x00, 0xC0, 0x00,
};

// The named colour of the default colormap, black when it can't be had.
XColor NamedColor(Display *display, const char *name) {
  XColor screen{}, exact{};
  if (!XAllocNamedColor(display, DefaultColormap(display, DefaultScreen(display)), name, &screen, &exact)) {
    screen.pixel = BlackPixel(display, DefaultScreen(display));
    screen.red = screen.green = screen.blue = 0;
  }
  return screen;
}

}  // namespace

QCursor::QCursor(int kind, bool create) {
  if (create) Create(kind);
}

QCursor::~QCursor() {
  if (cursor && QGetXDisplay()) XFreeCursor(QGetXDisplay(), cursor);
}

bool QCursor::Create(int kind) {
  if (cursor) return true;
  Display *display = QRequireXDisplay("QCursor::Create()");
  if (!display) return false;
  const Window root = RootWindow(display, DefaultScreen(display));
  XColor foreground = NamedColor(display, "red");
  XColor background = NamedColor(display, "yellow");
  if (kind == QCURSOR_ARROW) {
    const Pixmap arrow = XCreateBitmapFromData(display, root, reinterpret_cast<const char *>(kArrow), 16, 16);
    cursor = XCreatePixmapCursor(display, arrow, arrow, &foreground, &background, 0, 0);
    XFreePixmap(display, arrow);
  } else if (kind == QCURSOR_INVISIBLE) {
    // Cleared depth-1 pixmaps: a mask without a set bit shows nothing. Their
    // graphics context must be of depth 1 too.
    const Pixmap source = XCreatePixmap(display, root, static_cast<unsigned>(width), static_cast<unsigned>(height), 1);
    const Pixmap mask = XCreatePixmap(display, root, static_cast<unsigned>(width), static_cast<unsigned>(height), 1);
    GC gc = XCreateGC(display, source, 0, nullptr);
    XSetForeground(display, gc, 0);
    XFillRectangle(display, source, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFillRectangle(display, mask, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    cursor = XCreatePixmapCursor(display, source, mask, &foreground, &background, 0, 0);
    XFreeGC(display, gc);
    XFreePixmap(display, source);
    XFreePixmap(display, mask);
  }
  return cursor != 0;
}
