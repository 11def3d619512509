// The X display the drawing layer works on. The application object opens it
// and hands it over; until then a program may set one itself.
#pragma once

#include <X11/Xlib.h>

// Sets the display and installs an X error handler that reports through the
// error output and lets the program go on (Xlib's own ends the process).
void QSetXDisplay(Display *display);
Display *QGetXDisplay();
// The number of X errors reported so far.
int QXErrorCount();
