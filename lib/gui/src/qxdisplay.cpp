#include <kiln/qxdisplay.h>

#include <kiln/qdebug.h>
#include <kiln/qexit.h>

#include <cstdio>

namespace {

Display *display = nullptr;
int errors = 0;
// The pixels of the default colours, for the display they were made on.
Display *colorsOf = nullptr;
unsigned long defaultColors[kDefaultColorSlots] = {};

int ReportXError(Display *where, XErrorEvent *event) {
  char text[256];
  XGetErrorText(where, event->error_code, text, sizeof text);
  ++errors;
  qerr("X error %d (%s) on request %d.%d, resource 0x%lx", event->error_code, text, event->request_code,
       event->minor_code, event->resourceid);
  return 0;
}

// The server went away (killed, a remote session closed): Xlib can't go
// on, and nothing that talks to the server may run again, destructors
// included. What the program recorded is on disk already: tapes and logs
// are flushed as they are written.
int LoseDisplay(Display *lost) {
  const QDebugCallback callback = qerr_set_callback(nullptr);
  qerr_set_callback(callback);
  qerr("Lost the X display '%s'; ending", DisplayString(lost));
  // Without a callback errors only reach the log: the user must see this.
  if (!callback) std::fprintf(stderr, "** Error: Lost the X display '%s'; ending\n", DisplayString(lost));
  qexit_now(1);
}

}  // namespace

void QSetXDisplay(Display *newDisplay) {
  display = newDisplay;
  XSetErrorHandler(ReportXError);
  XSetIOErrorHandler(LoseDisplay);
}

Display *QGetXDisplay() { return display; }

Display *QRequireXDisplay(const char *who) {
  if (!display) qerr("%s; no X display", who);
  return display;
}

int QXErrorCount() { return errors; }

void QAllocDefaultColors() {
  static const char *const kNames[] = {"grey100", "grey0", "grey65", "grey37", "grey20", "red"};
  if (!display) return;
  colorsOf = display;
  for (unsigned long &pixel : defaultColors) pixel = 0;
  const Colormap colormap = DefaultColormap(display, 0);
  for (int slot = 0; slot < 6; ++slot) {
    XColor exact, screen;
    if (XAllocNamedColor(display, colormap, kNames[slot], &screen, &exact)) {
      defaultColors[slot] = screen.pixel;
    } else {
      qerr("Can't allocate default color '%s'\n", kNames[slot]);
      defaultColors[slot] = BlackPixel(display, 0);
    }
  }
}

unsigned long QGetDefaultColor(int index) {
  if (!display) return 0;
  if (colorsOf != display) QAllocDefaultColors();
  if (index < 0 || index >= kDefaultColorSlots) return BlackPixel(display, DefaultScreen(display));
  return defaultColors[index];
}
