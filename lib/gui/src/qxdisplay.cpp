#include <kiln/qxdisplay.h>

#include <kiln/qdebug.h>

namespace {

Display *display = nullptr;
int errors = 0;

int ReportXError(Display *where, XErrorEvent *event) {
  char text[256];
  XGetErrorText(where, event->error_code, text, sizeof text);
  ++errors;
  qerr("X error %d (%s) on request %d.%d, resource 0x%lx", event->error_code, text, event->request_code,
       event->minor_code, event->resourceid);
  return 0;
}

}  // namespace

void QSetXDisplay(Display *newDisplay) {
  display = newDisplay;
  XSetErrorHandler(ReportXError);
}

Display *QGetXDisplay() { return display; }

int QXErrorCount() { return errors; }
