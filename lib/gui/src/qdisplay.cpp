#include <kiln/qdisplay.h>

#include <kiln/qxdisplay.h>

QDisplay::QDisplay(const char *name) : display(XOpenDisplay(name)) {
  if (display) QSetXDisplay(display);
}
