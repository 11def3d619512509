/// \file
/// The X display the drawing layer works on, and its default colours. The
/// application object opens the display and hands it over; until then a
/// program may set one itself.
#pragma once

#include <X11/Xlib.h>

/// Sets the display and installs an X error handler that reports through the
/// error output and lets the program go on (Xlib's own ends the process),
/// and an I/O error handler for the loss of the server: "Lost the X display
/// '<name>'; ending" on the error output (and standard error), then the
/// process ends with status 1 through qexit_now(), running no destructor.
void QSetXDisplay(Display *display);
/// The display set last; null before one is set.
Display *QGetXDisplay();
/// The display for what can't work without the X server (windows, events,
/// X fonts, cursors); null after "<who>; no X display" on the error output
/// when there is none.
Display *QRequireXDisplay(const char *who);
/// The number of X errors reported so far.
int QXErrorCount();

/// The ten default colour slots: "grey100", "grey0", "grey65", "grey37",
/// "grey20" and "red" in slots 0 to 5 of the default colormap, slots 6 to 9
/// empty (0). The application allocates them when it opens the display;
/// otherwise the first QGetDefaultColor() does.
constexpr int kDefaultColorSlots = 10;
/// Allocates the default colours on the display set; nothing without one.
void QAllocDefaultColors();
/// The pixel of a slot; any index outside 0 to 9 gives the black pixel.
unsigned long QGetDefaultColor(int index);
